#pragma once
// The moment and thread a log line is built on. The two implementations (Windows and the native
// build) are the only platform-specific pieces of the log.

#include <cstdint>

namespace common {

struct LogStamp {
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    uint32_t threadId = 0;
};

// Local time and the calling thread's numeric id. Any thread.
[[nodiscard]] LogStamp currentLogStamp();

}  // namespace common
