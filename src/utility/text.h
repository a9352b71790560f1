#pragma once
// Text helpers that need no Windows header: splitting, trimming, key-value parsing. They take
// what the program's file name, command line and servers hand it, so they are fuzzed natively.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace utility {

using KeyValues = std::map<std::wstring, std::wstring>;

// Removes leading and trailing U+0020 only; tabs and line ends stay.
void trim(std::wstring& text);

// Lower-cases A to Z; every other character stays (so the result never depends on the locale).
void toLower(std::wstring& text);

// Cuts at every occurrence of `separator` and trims each piece; empty pieces are kept, and a text
// ending in the separator yields a final empty piece. Nothing when text or separator is empty.
[[nodiscard]] std::vector<std::wstring> split(std::wstring_view text, std::wstring_view separator);

// "key<sep>value" texts into a table: keys trimmed and lower-cased, values trimmed; empty keys and
// texts without the separator are skipped; a later duplicate wins.
[[nodiscard]] KeyValues parseKeyValues(const std::vector<std::wstring>& texts,
                                       std::wstring_view separator);

// Exact, case-sensitive lookup (the table's keys are lower case).
[[nodiscard]] bool findValue(const KeyValues& table, const std::wstring& key, std::wstring& value);

// True when every character is an ASCII decimal digit, also for an empty text.
[[nodiscard]] bool isAllDigits(std::wstring_view text);

[[nodiscard]] std::wstring int64ToText(int64_t value);

}  // namespace utility
