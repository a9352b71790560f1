#pragma once
// The byte counts a file download shows its progress receiver. A resumed download counts the
// bytes already on disk as received and adds them to the total; a server that announces no
// length is taken to send 10 MiB, so the bar moves at all (and may pass 100 %).

#include <cstdint>

namespace utility {

inline constexpr int64_t kUnknownLengthEstimate = 10485760;

class FileProgress {
public:
    // For an answer with `contentLength` bytes (-1 when not announced) that continues a file
    // of `offset` bytes (0 for a file written from its start).
    void start(int64_t contentLength, int64_t offset)
    {
        m_received = offset;
        m_total = (contentLength > 0 ? contentLength : kUnknownLengthEstimate) + offset;
    }

    // Counts a delivered block; returns the new received count.
    int64_t add(uint32_t count)
    {
        m_received += count;
        return m_received;
    }

    [[nodiscard]] int64_t received() const { return m_received; }
    [[nodiscard]] int64_t total() const { return m_total; }

private:
    int64_t m_received = 0;
    int64_t m_total = 0;
};

}  // namespace utility
