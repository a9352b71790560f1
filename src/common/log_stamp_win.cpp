#include "common/log_stamp.h"

#include <windows.h>

namespace common {

LogStamp currentLogStamp()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LogStamp stamp;
    stamp.month = now.wMonth;
    stamp.day = now.wDay;
    stamp.hour = now.wHour;
    stamp.minute = now.wMinute;
    stamp.second = now.wSecond;
    stamp.millisecond = now.wMilliseconds;
    stamp.threadId = GetCurrentThreadId();
    return stamp;
}

}  // namespace common
