#include "common/utf8.h"

namespace common {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

[[maybe_unused]] bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
[[maybe_unused]] bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void appendCodePoint(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

void appendUtf8(std::string& out, std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (isHighSurrogate(c) && i + 1 < text.size()) {
                char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (isLowSurrogate(low)) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        appendCodePoint(out, c);
    }
}

std::string toUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    appendUtf8(out, text);
    return out;
}

size_t utf8PrefixLength(std::string_view text, size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    size_t cut = limit;
    // Step back over continuation bytes to the lead byte of the character that would be split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

}  // namespace common
