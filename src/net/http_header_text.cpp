#include "net/http_header_text.h"

namespace utility {

std::wstring buildHeaderText(const HttpHeaderTable& table)
{
    HttpHeaderTable lines = table;
    lines.emplace(kHeaderContentType, kDefaultContentType);
    lines.emplace(kHeaderUserAgent, kDefaultUserAgent);
    std::wstring text;
    for (const auto& [name, value] : lines) {
        text += name;
        text += L": ";
        text += value;
        text += L"\r\n";
    }
    return text;
}

std::wstring rangeFrom(int64_t offset)
{
    return L"bytes=" + std::to_wstring(offset) + L"-";
}

}  // namespace utility
