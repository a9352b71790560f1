#include "common/log_stamp.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

namespace common {

LogStamp currentLogStamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    LogStamp stamp;
    stamp.month = local.tm_mon + 1;
    stamp.day = local.tm_mday;
    stamp.hour = local.tm_hour;
    stamp.minute = local.tm_min;
    stamp.second = local.tm_sec;
    stamp.millisecond = static_cast<int>(millis);
    stamp.threadId = static_cast<uint32_t>(syscall(SYS_gettid));
    return stamp;
}

}  // namespace common
