#pragma once
// Conversions between the program's wide texts and narrow ANSI (the system code page) or UTF-8.

#include <string>
#include <string_view>

namespace utility {

// `codePage` is a Windows code page (CP_ACP, CP_UTF8, ...). A null text gives an empty result.
[[nodiscard]] std::wstring toWide(const char* text, unsigned codePage);
[[nodiscard]] std::wstring toWide(std::string_view text, unsigned codePage);
[[nodiscard]] std::string toNarrow(std::wstring_view text, unsigned codePage);

[[nodiscard]] std::wstring ansiToWide(std::string_view text);
[[nodiscard]] std::wstring utf8ToWide(std::string_view text);
[[nodiscard]] std::string wideToAnsi(std::wstring_view text);
[[nodiscard]] std::string wideToUtf8(std::wstring_view text);
[[nodiscard]] std::string ansiToUtf8(std::string_view text);

}  // namespace utility
