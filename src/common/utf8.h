#pragma once
// Wide-to-UTF-8 conversion that needs no Windows header, so the log and the portable parsers
// share it on both platforms. wchar_t is UTF-16 on Windows and UTF-32 on the native build.

#include <string>
#include <string_view>

namespace common {

// Appends `text` as UTF-8. Unpaired surrogates and values beyond U+10FFFF become U+FFFD, so a
// damaged path never produces bytes that are not UTF-8.
void appendUtf8(std::string& out, std::wstring_view text);

[[nodiscard]] std::string toUtf8(std::wstring_view text);

// Decodes UTF-8; malformed sequences become U+FFFD (one per bad byte), never a crash or a
// silently shortened text.
[[nodiscard]] std::wstring fromUtf8(std::string_view text);

// Length of the longest prefix of `text` (at most `limit` bytes) that ends on a character
// boundary, so cutting there never splits a multi-byte sequence.
[[nodiscard]] size_t utf8PrefixLength(std::string_view text, size_t limit);

}  // namespace common
