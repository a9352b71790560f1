#include "net/http_answer.h"

#include <cstdint>
#include <limits>

namespace utility {
namespace {

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

std::wstring_view trimBlanks(std::wstring_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads one or more decimal digits from the front of `text`. False on no digit or overflow.
bool readNumber(std::wstring_view& text, int64_t& value)
{
    size_t used = 0;
    int64_t result = 0;
    while (used < text.size() && text[used] >= L'0' && text[used] <= L'9') {
        const int digit = static_cast<int>(text[used] - L'0');
        if (result > (std::numeric_limits<int64_t>::max() - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
        ++used;
    }
    if (used == 0) {
        return false;
    }
    text.remove_prefix(used);
    value = result;
    return true;
}

bool consume(std::wstring_view& text, wchar_t c)
{
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

// Range units compare without regard to case.
bool consumeBytesUnit(std::wstring_view& text)
{
    static constexpr std::wstring_view kUnit = L"bytes";
    if (text.size() < kUnit.size()) {
        return false;
    }
    for (size_t i = 0; i < kUnit.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != kUnit[i]) {
            return false;
        }
    }
    text.remove_prefix(kUnit.size());
    return true;
}

}  // namespace

int64_t parseContentLength(std::wstring_view text)
{
    text = trimBlanks(text);
    int64_t length = 0;
    if (!readNumber(text, length) || !text.empty()) {
        return -1;
    }
    return length;
}

bool parseContentRange(std::wstring_view text, ContentRange& range)
{
    text = trimBlanks(text);
    if (!consumeBytesUnit(text) || text.empty() || !isBlank(text.front())) {
        return false;
    }
    text = trimBlanks(text);
    ContentRange parsed;
    if (!readNumber(text, parsed.first) || !consume(text, L'-') || !readNumber(text, parsed.last) ||
        !consume(text, L'/')) {
        return false;
    }
    if (!consume(text, L'*') && !readNumber(text, parsed.total)) {
        return false;
    }
    if (!text.empty() || parsed.first > parsed.last || (parsed.total >= 0 && parsed.last >= parsed.total)) {
        return false;
    }
    range = parsed;
    return true;
}

int64_t parseRangeStart(std::wstring_view value)
{
    if (!consumeBytesUnit(value) || !consume(value, L'=')) {
        return -1;
    }
    int64_t start = 0;
    if (!readNumber(value, start) || !consume(value, L'-') || !value.empty()) {
        return -1;
    }
    return start;
}

bool isConsistentRangeAnswer(int64_t requestedFrom, int status, std::wstring_view contentRange)
{
    if (status != 206) {
        return true;
    }
    ContentRange range;
    return requestedFrom >= 0 && parseContentRange(contentRange, range) && range.first == requestedFrom;
}

}  // namespace utility
