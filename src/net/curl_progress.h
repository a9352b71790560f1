#pragma once
// When the curl client reports download progress, and with what percentage. The window thread
// gets at most one report a second, never 100 (the caller reports completion itself when the
// download returns), and the bytes a resumed download already had count as done.

#include <cstdint>

namespace utility {

class CurlProgressRule {
public:
    // `resumeOffset`: the size the file had before the transfer.
    explicit CurlProgressRule(int64_t resumeOffset) : m_resumeOffset(resumeOffset) {}

    // Called for every progress call of libcurl with its expected total and received byte
    // counts. Returns the percentage to report now, or -1 for no report. `now` is a millisecond
    // tick count that may wrap around.
    [[nodiscard]] int next(double total, double received, uint32_t now);

private:
    int64_t m_resumeOffset;
    uint32_t m_lastReport = 0;
};

}  // namespace utility
