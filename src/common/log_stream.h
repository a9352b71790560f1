#pragma once
// Builds one log line on the caller's stack and hands it to the log writer when destroyed.
//
// Line: "MM-DD\tHH:MM:SS.mmm\tTHREAD\tFUNCTION\t(LINE):MESSAGE\r\n", UTF-8, never longer than
// kLogLineCapacity bytes. A message that would not fit is cut at a character boundary rather than
// dropped: the log is the only record of a failed installation, and the start of a long line is
// what tells what happened.

#include "common/log_stamp.h"

#include <array>
#include <string>
#include <string_view>

namespace common {

class LogWriter;

inline constexpr size_t kLogLineCapacity = 10240;

class LogStream {
public:
    // Stamps the line with the current time and thread; hands it to the process's writer, if any.
    LogStream(const char* function, int line);
    // For tests: a fixed stamp and an explicit writer (may be null: the line is only built).
    LogStream(const char* function, int line, const LogStamp& stamp, LogWriter* writer);
    ~LogStream();

    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    LogStream& operator<<(std::wstring_view text);

    // True when not even the header fitted (a function name of about 10 KB); nothing is handed on.
    [[nodiscard]] bool failed() const { return m_failed; }
    // The finished line (with CR LF) as the writer will receive it; empty when failed.
    [[nodiscard]] std::string line() const;

private:
    void writeHeader(const char* function, int line, const LogStamp& stamp);

    static constexpr size_t kLineEndSize = 2;
    std::array<char, kLogLineCapacity> m_buffer{};
    size_t m_size = 0;
    bool m_failed = false;
    LogWriter* m_writer = nullptr;
};

}  // namespace common
