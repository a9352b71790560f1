#include "common/log.h"

#include "common/log_stream.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <vector>

#ifndef _WIN32
#include "common/wide_format.h"
#endif

namespace common {
namespace {

std::atomic<LineSink> g_sink{nullptr};

#ifdef _WIN32
// The C runtime's own _vsnwprintf keeps the Windows meaning of %s in wide formats; the C99
// functions that mingw's headers may substitute do not.
void formatMessage(wchar_t (&out)[kLogMessageCapacity], const wchar_t* format, va_list args)
{
    const int written = _vsnwprintf(out, kLogMessageCapacity - 1, format, args);
    if (written < 0) {
        out[kLogMessageCapacity - 1] = L'\0';
    }
}
#else
void formatMessage(wchar_t (&out)[kLogMessageCapacity], const wchar_t* format, va_list args)
{
    // glibc leaves the buffer unspecified when a message does not fit, so format into room enough
    // for any message this program builds and cut to the Windows capacity afterwards.
    const std::wstring posixFormat = translateWindowsWideFormat(format);
    std::vector<wchar_t> wide(kLogMessageCapacity * 8);
    const int written = std::vswprintf(wide.data(), wide.size(), posixFormat.c_str(), args);
    if (written < 0) {
        std::wcsncpy(out, L"(message could not be formatted)", kLogMessageCapacity - 1);
        out[kLogMessageCapacity - 1] = L'\0';
        return;
    }
    const size_t length = std::min<size_t>(static_cast<size_t>(written), kLogMessageCapacity - 1);
    std::wmemcpy(out, wide.data(), length);
    out[length] = L'\0';
}
#endif

}  // namespace

void setLineSink(LineSink sink)
{
    g_sink.store(sink, std::memory_order_release);
}

void logToFile(const char* function, int line, const wchar_t* text)
{
    LogStream stream(function, line);
    stream << (text != nullptr ? text : L"");
}

void writeLog(const char* function, int line, const wchar_t* format, ...)
{
    const LineSink sink = g_sink.load(std::memory_order_acquire);
    if (sink == nullptr || format == nullptr) {
        return;
    }
    wchar_t message[kLogMessageCapacity];
    va_list args;
    va_start(args, format);
    formatMessage(message, format, args);
    va_end(args);
    sink(function, line, message);
}

}  // namespace common
