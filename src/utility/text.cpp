#include "utility/text.h"

namespace utility {

void trim(std::wstring& text)
{
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        text.clear();
        return;
    }
    const size_t last = text.find_last_not_of(L' ');
    text = text.substr(first, last - first + 1);
}

void toLower(std::wstring& text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
}

std::vector<std::wstring> split(std::wstring_view text, std::wstring_view separator)
{
    std::vector<std::wstring> pieces;
    if (text.empty() || separator.empty()) {
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        std::wstring piece(text.substr(start, found == std::wstring_view::npos ? std::wstring_view::npos
                                                                                 : found - start));
        trim(piece);
        pieces.push_back(std::move(piece));
        if (found == std::wstring_view::npos) {
            return pieces;
        }
        start = found + separator.size();
    }
}

KeyValues parseKeyValues(const std::vector<std::wstring>& texts, std::wstring_view separator)
{
    KeyValues table;
    if (separator.empty()) {
        return table;
    }
    for (const std::wstring& text : texts) {
        const size_t at = text.find(separator);
        if (at == std::wstring::npos) {
            continue;
        }
        std::wstring key = text.substr(0, at);
        std::wstring value = text.substr(at + separator.size());
        trim(key);
        if (key.empty()) {
            continue;
        }
        toLower(key);
        trim(value);
        table[key] = value;
    }
    return table;
}

bool findValue(const KeyValues& table, const std::wstring& key, std::wstring& value)
{
    const auto found = table.find(key);
    if (found == table.end()) {
        return false;
    }
    value = found->second;
    return true;
}

bool isAllDigits(std::wstring_view text)
{
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
    }
    return true;
}

std::wstring int64ToText(int64_t value)
{
    // Built by hand: the native and Windows C libraries disagree on wide printf formats.
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        digits.insert(digits.begin(), L'-');
    }
    return digits;
}

}  // namespace utility
