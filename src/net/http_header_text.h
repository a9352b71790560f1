#pragma once
// The request header lines of the WinINet client, built from its header table. Kept apart from
// WinINet so the exact bytes can be checked natively.

#include <cstdint>
#include <map>
#include <string>

namespace utility {

// Header name to value. Names compare case-sensitively and the lines follow the map's order, so
// a resumed download always sends Content-Type, Range, User-Agent in that order.
using HttpHeaderTable = std::map<std::wstring, std::wstring>;

inline constexpr wchar_t kHeaderContentType[] = L"Content-Type";
inline constexpr wchar_t kHeaderUserAgent[] = L"User-Agent";
inline constexpr wchar_t kHeaderRange[] = L"Range";
inline constexpr wchar_t kDefaultContentType[] = L"application/x-www-form-urlencoded";
inline constexpr wchar_t kDefaultUserAgent[] = L"zxrdzo/7.3.4J";

// "Name: value\r\n" for every entry, after the defaults for a missing Content-Type and
// User-Agent have been added. The table itself is left as it is.
[[nodiscard]] std::wstring buildHeaderText(const HttpHeaderTable& table);

// The Range value asking for everything from `offset` on: "bytes=<offset>-".
[[nodiscard]] std::wstring rangeFrom(int64_t offset);

}  // namespace utility
