#pragma once
// The one logging call of the program:
//
//   common::writeLog("DownloadImpl::entrance", __LINE__, L"path %s", path.c_str());
//
// The format follows the Windows wide printf rules (%s is a wide string, %S a narrow one, %I64d a
// 64-bit integer) on every platform, so call sites read the same in portable and Windows code.

#include <cstddef>

namespace common {

// A message holds at most this many characters, terminator included; longer ones are cut.
inline constexpr size_t kLogMessageCapacity = 8192;

// Turns one formatted message into a log line. Null until the file sink is installed.
using LineSink = void (*)(const char* function, int line, const wchar_t* text);

void setLineSink(LineSink sink);

// The file sink: builds the line and hands it to the log writer. `text` is written unchanged;
// it is never used as a format again, so a "%" in a logged URL or path reaches the file as is.
void logToFile(const char* function, int line, const wchar_t* text);

// Any thread. Returns at once while no sink is installed.
void writeLog(const char* function, int line, const wchar_t* format, ...);

}  // namespace common
