#pragma once
// MD5, as the machine identifier and the upload signature need it (not for security).

#include <string>
#include <string_view>

#include <array>
#include <cstdint>

// Incremental MD5, for files too large to hold in memory.
class Md5 {
public:
    void update(const void* bytes, size_t count);
    // 32 lower-case hexadecimal digits; the object is spent afterwards.
    [[nodiscard]] std::string hexDigest();

private:
    std::array<uint32_t, 4> m_state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::array<uint8_t, 64> m_block{};
    size_t m_blockSize = 0;
    uint64_t m_length = 0;
};

// 32 lower-case hexadecimal digits.
[[nodiscard]] std::string md5Hex(std::string_view bytes);
