#include "common/log_stream.h"

#include "common/log_writer.h"
#include "common/utf8.h"

#include <cstdio>
#include <cstring>

namespace common {

LogStream::LogStream(const char* function, int line)
    : LogStream(function, line, currentLogStamp(), LogWriter::current())
{
}

LogStream::LogStream(const char* function, int line, const LogStamp& stamp, LogWriter* writer)
    : m_writer(writer)
{
    writeHeader(function, line, stamp);
}

LogStream::~LogStream()
{
    if (m_writer != nullptr && !m_failed) {
        m_writer->append(line());
    }
}

void LogStream::writeHeader(const char* function, int line, const LogStamp& stamp)
{
    const int written = std::snprintf(m_buffer.data(), m_buffer.size() - kLineEndSize,
                                      "%02d-%02d\t%02d:%02d:%02d.%03d\t%04u\t%s\t(%d):", stamp.month,
                                      stamp.day, stamp.hour, stamp.minute, stamp.second,
                                      stamp.millisecond, static_cast<unsigned>(stamp.threadId),
                                      function != nullptr ? function : "", line);
    if (written < 0 || static_cast<size_t>(written) >= m_buffer.size() - kLineEndSize) {
        m_failed = true;
        return;
    }
    m_size = static_cast<size_t>(written);
}

LogStream& LogStream::operator<<(std::wstring_view text)
{
    if (m_failed) {
        return *this;
    }
    const std::string utf8 = toUtf8(text);
    const size_t room = m_buffer.size() - kLineEndSize - m_size;
    const size_t take = utf8PrefixLength(utf8, room);
    std::memcpy(m_buffer.data() + m_size, utf8.data(), take);
    m_size += take;
    return *this;
}

std::string LogStream::line() const
{
    if (m_failed) {
        return {};
    }
    std::string out(m_buffer.data(), m_size);
    out += "\r\n";
    return out;
}

}  // namespace common
