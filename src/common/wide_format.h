#pragma once
// Log formats are written with the Windows wide printf rules. The native build formats them with
// the C library, whose rules differ; this rewrites a Windows format into the C standard's form.

#include <string>
#include <string_view>

namespace common {

// %s/%c (wide in Windows wide formats) become %ls/%lc; %S/%C and %hs/%hc become %s/%c; %ws
// becomes %ls; the size prefixes I64, I32 and I become ll, nothing and z. Everything else is kept.
[[nodiscard]] std::wstring translateWindowsWideFormat(std::wstring_view format);

}  // namespace common
