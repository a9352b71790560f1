#include "common/wide_format.h"

namespace common {
namespace {

bool isFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Copies flags, width and precision of one conversion starting at `i`; returns the index after.
size_t copyFlagsWidthPrecision(std::wstring_view format, size_t i, std::wstring& out)
{
    while (i < format.size() && isFlag(format[i])) {
        out.push_back(format[i++]);
    }
    while (i < format.size() && (isDigit(format[i]) || format[i] == L'*')) {
        out.push_back(format[i++]);
    }
    if (i < format.size() && format[i] == L'.') {
        out.push_back(format[i++]);
        while (i < format.size() && (isDigit(format[i]) || format[i] == L'*')) {
            out.push_back(format[i++]);
        }
    }
    return i;
}

enum class Width { none, narrow, wide, other };

}  // namespace

std::wstring translateWindowsWideFormat(std::wstring_view format)
{
    std::wstring out;
    out.reserve(format.size() + 8);
    size_t i = 0;
    while (i < format.size()) {
        const wchar_t c = format[i++];
        out.push_back(c);
        if (c != L'%') {
            continue;
        }
        if (i < format.size() && format[i] == L'%') {
            out.push_back(format[i++]);
            continue;
        }
        i = copyFlagsWidthPrecision(format, i, out);

        Width width = Width::none;
        std::wstring_view rest = format.substr(i);
        if (rest.substr(0, 3) == L"I64") {
            out += L"ll";
            i += 3;
            width = Width::other;
        } else if (rest.substr(0, 3) == L"I32") {
            i += 3;
            width = Width::other;
        } else if (rest.substr(0, 1) == L"I") {
            out += L"z";
            i += 1;
            width = Width::other;
        } else if (rest.substr(0, 1) == L"h" && rest.substr(1, 1) != L"h") {
            i += 1;
            width = Width::narrow;
        } else if (rest.substr(0, 1) == L"w") {
            i += 1;
            width = Width::wide;
        } else if (rest.substr(0, 1) == L"l" && rest.substr(1, 1) != L"l") {
            i += 1;
            width = Width::wide;
        }
        if (i >= format.size()) {
            if (width == Width::narrow) {
                out.push_back(L'h');
            } else if (width == Width::wide) {
                out.push_back(L'l');
            }
            break;
        }
        const wchar_t conversion = format[i++];
        const bool text = conversion == L's' || conversion == L'c' || conversion == L'S' ||
                          conversion == L'C';
        if (!text) {
            // Keep integer length modifiers (%hd, %ld) as they were.
            if (width == Width::narrow) {
                out.push_back(L'h');
            } else if (width == Width::wide) {
                out.push_back(L'l');
            }
            out.push_back(conversion);
            continue;
        }
        const bool upper = conversion == L'S' || conversion == L'C';
        const bool wide = width == Width::wide || (width == Width::none && !upper);
        if (wide) {
            out.push_back(L'l');
        }
        out.push_back(upper ? static_cast<wchar_t>(conversion - L'A' + L'a') : conversion);
    }
    return out;
}

}  // namespace common
