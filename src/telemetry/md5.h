#pragma once
// MD5, as the machine identifier and the upload signature need it (not for security).

#include <string>
#include <string_view>

// 32 lower-case hexadecimal digits.
[[nodiscard]] std::string md5Hex(std::string_view bytes);
