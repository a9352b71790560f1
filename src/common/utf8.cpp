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

namespace {

void appendWide(std::wstring& out, char32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

// Length of the sequence a lead byte announces, 0 for a byte that cannot start one.
size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

}  // namespace

std::wstring fromUtf8(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = sequenceLength(lead);
        if (length == 0 || i + length > text.size()) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        bool valid = true;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < minimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        appendWide(out, c);
        i += length;
    }
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
