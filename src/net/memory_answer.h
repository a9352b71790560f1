#pragma once
// An answer body kept in memory: the version and channel documents and the answers to posts.
// Both HTTP clients collect into one of these, so no server can make either of them grow
// without limit, and both refuse at the same size.

#include <cstddef>
#include <string>

namespace utility {

// The largest answer either client keeps in memory. The documents the installer reads are JSON
// of a few kilobytes; anything near this size is not one of them.
inline constexpr size_t kMemoryAnswerLimit = 1024 * 1024;

class MemoryAnswer {
public:
    enum class Append { kDone, kOverLimit, kNoMemory };

    explicit MemoryAnswer(size_t limit = kMemoryAnswerLimit) : m_limit(limit) {}

    // Keeps all of `bytes` or none of them. Once refused, the answer stays refused: a body with a
    // hole in it is worth nothing.
    [[nodiscard]] Append append(const char* bytes, size_t count);

    [[nodiscard]] size_t size() const { return m_bytes.size(); }
    [[nodiscard]] size_t limit() const { return m_limit; }
    [[nodiscard]] bool refused() const { return m_refused; }

    // Hands the bytes over and leaves the answer empty.
    [[nodiscard]] std::string take();

private:
    size_t m_limit;
    std::string m_bytes;
    bool m_refused = false;
};

}  // namespace utility
