#include "net/curl_progress.h"

namespace utility {

int CurlProgressRule::next(double total, double received, uint32_t now)
{
    // No length announced yet.
    if (total > -0.1 && total < 0.1) {
        return -1;
    }
    const double offset = static_cast<double>(m_resumeOffset);
    const double percent = (offset + received) / (offset + total) * 100.0;
    // Counts that make no percentage (negative or absurd) are not worth a report; converting
    // them to int would be undefined.
    if (!(percent >= 0.0 && percent < 2147483647.0)) {
        return -1;
    }
    if (static_cast<uint32_t>(now - m_lastReport) <= 1000) {
        return -1;
    }
    const int whole = static_cast<int>(percent);
    if (whole == 100) {
        return -1;
    }
    m_lastReport = now;
    return whole;
}

}  // namespace utility
