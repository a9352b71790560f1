#include "telemetry/md5.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::array<uint32_t, 64> kSines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::array<uint32_t, 64> kShifts = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                              5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                              4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                              6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t rotateLeft(uint32_t value, uint32_t bits)
{
    return (value << bits) | (value >> (32 - bits));
}

void processBlock(const uint8_t* block, std::array<uint32_t, 4>& state)
{
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<uint32_t>(block[i * 4]) | (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
                   (static_cast<uint32_t>(block[i * 4 + 2]) << 16) |
                   (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (uint32_t i = 0; i < 64; ++i) {
        uint32_t f = 0;
        uint32_t g = 0;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = d;
        d = c;
        c = b;
        b = b + rotateLeft(a + f + kSines[i] + words[g], kShifts[i]);
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5::update(const void* bytes, size_t count)
{
    const auto* data = static_cast<const uint8_t*>(bytes);
    m_length += count;
    while (count > 0) {
        const size_t take = std::min(count, m_block.size() - m_blockSize);
        std::memcpy(m_block.data() + m_blockSize, data, take);
        m_blockSize += take;
        data += take;
        count -= take;
        if (m_blockSize == m_block.size()) {
            processBlock(m_block.data(), m_state);
            m_blockSize = 0;
        }
    }
}

std::string Md5::hexDigest()
{
    // The 0x80 marker, zero padding up to 56 bytes of the last block, and the length in bits.
    const uint64_t bits = m_length * 8;
    const uint8_t marker = 0x80;
    update(&marker, 1);
    const uint8_t zero = 0;
    while (m_blockSize != 56) {
        update(&zero, 1);
    }
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) {
        length[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    update(length, sizeof(length));

    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(32);
    for (uint32_t word : m_state) {
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<uint8_t>(word >> (8 * i));
            hex.push_back(kHex[byte >> 4]);
            hex.push_back(kHex[byte & 0xF]);
        }
    }
    return hex;
}

std::string md5Hex(std::string_view bytes)
{
    Md5 md5;
    md5.update(bytes.data(), bytes.size());
    return md5.hexDigest();
}
