#include "utility/text_convert.h"

#include <windows.h>

#include <climits>

namespace utility {

std::wstring toWide(const char* text, unsigned codePage)
{
    return text == nullptr ? std::wstring() : toWide(std::string_view(text), codePage);
}

std::wstring toWide(std::string_view text, unsigned codePage)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string toNarrow(std::wstring_view text, unsigned codePage)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::wstring ansiToWide(std::string_view text) { return toWide(text, CP_ACP); }
std::wstring utf8ToWide(std::string_view text) { return toWide(text, CP_UTF8); }
std::string wideToAnsi(std::wstring_view text) { return toNarrow(text, CP_ACP); }
std::string wideToUtf8(std::wstring_view text) { return toNarrow(text, CP_UTF8); }
std::string ansiToUtf8(std::string_view text) { return wideToUtf8(ansiToWide(text)); }

}  // namespace utility
