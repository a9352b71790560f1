#pragma once

namespace utility::usystem {

// Major version above 5 (Vista or later).
[[nodiscard]] bool isVistaOrLater();

// The machine runs 64-bit Windows (x64 or Itanium), also when asked from a 32-bit process.
[[nodiscard]] bool is64BitSystem();

}  // namespace utility::usystem
