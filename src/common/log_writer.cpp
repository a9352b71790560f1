#include "common/log_writer.h"

#include "common/utf8.h"

#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <share.h>
#endif

namespace common {
namespace {

std::atomic<LogWriter*> g_writer{nullptr};

// Other processes may read and write the file while it is open (Windows' _SH_DENYNO; POSIX does
// not lock files at all).
std::FILE* openShared(const std::wstring& path, bool truncate)
{
#ifdef _WIN32
    return _wfsopen(path.c_str(), truncate ? L"wb" : L"ab+", _SH_DENYNO);
#else
    return std::fopen(toUtf8(path).c_str(), truncate ? "wb" : "ab+");
#endif
}

bool seekTo(std::FILE* file, int64_t offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(file, offset, origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

int64_t tell(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

LogWriter::LogWriter(std::wstring path, LogWriterLimits limits)
    : m_path(std::move(path)), m_limits(limits), m_thread([this] { run(); })
{
}

LogWriter::~LogWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    closeFile();
}

LogWriter* LogWriter::current()
{
    return g_writer.load(std::memory_order_acquire);
}

void LogWriter::append(std::string_view line)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pending.size() > m_limits.flushThreshold) {
            return;
        }
        m_pending.append(line.data(), line.size());
        const size_t pending = m_pending.size();
        if (pending > m_peakPending.load(std::memory_order_relaxed)) {
            m_peakPending.store(pending, std::memory_order_relaxed);
        }
        wake = pending >= m_limits.flushThreshold;
    }
    if (wake) {
        m_wake.notify_one();
    }
}

bool LogWriter::flush(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const uint64_t ticket = ++m_flushRequested;
    m_wake.notify_one();
    return m_written.wait_for(lock, timeout, [&] { return m_flushCompleted >= ticket; });
}

void LogWriter::run()
{
    openFile();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, m_limits.interval, [&] {
            return m_pending.size() >= m_limits.flushThreshold ||
                   m_flushRequested > m_flushCompleted || m_stopping;
        });
        std::string batch;
        batch.swap(m_pending);
        const uint64_t ticket = m_flushRequested;
        const bool stopping = m_stopping;

        lock.unlock();
        if (!batch.empty()) {
            writeBatch(batch);
        }
        lock.lock();

        m_flushCompleted = ticket;
        m_written.notify_all();
        if (stopping) {
            return;
        }
    }
}

void LogWriter::openFile()
{
    m_file = openShared(m_path, false);
    if (m_file == nullptr) {
        return;
    }
    // A file that starts with a UTF-16 byte order mark was written by something else; a UTF-8 log
    // appended to it would be unreadable, so it starts again empty.
    unsigned char bom[2] = {0, 0};
    if (seekTo(m_file, 0, SEEK_SET) && std::fread(bom, 1, 2, m_file) == 2 && bom[0] == 0xFF &&
        bom[1] == 0xFE) {
        reopenTruncated();
        return;
    }
    std::clearerr(m_file);
    seekTo(m_file, 0, SEEK_END);
}

void LogWriter::writeBatch(const std::string& batch)
{
    if (m_file == nullptr) {
        return;
    }
    if (std::fwrite(batch.data(), 1, batch.size(), m_file) != batch.size() ||
        std::fflush(m_file) != 0) {
        std::clearerr(m_file);
        return;
    }
    rotateIfNeeded();
}

void LogWriter::rotateIfNeeded()
{
    if (!seekTo(m_file, 0, SEEK_END)) {
        return;
    }
    const int64_t size = tell(m_file);
    if (size < 0 || static_cast<uint64_t>(size) < m_limits.rotateAtBytes) {
        return;
    }
    const uint64_t keep = std::min<uint64_t>(m_limits.keepTailBytes, static_cast<uint64_t>(size));
    std::vector<char> tail(static_cast<size_t>(keep));
    if (!seekTo(m_file, size - static_cast<int64_t>(keep), SEEK_SET) ||
        std::fread(tail.data(), 1, tail.size(), m_file) != tail.size()) {
        std::clearerr(m_file);
        return;
    }
    if (!reopenTruncated()) {
        return;
    }
    std::fwrite(tail.data(), 1, tail.size(), m_file);
    std::fflush(m_file);
}

// Empties the file and leaves it open for reading and appending again.
bool LogWriter::reopenTruncated()
{
    closeFile();
    if (std::FILE* truncated = openShared(m_path, true)) {
        std::fclose(truncated);
    }
    m_file = openShared(m_path, false);
    return m_file != nullptr;
}

void LogWriter::closeFile()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

void openLog(const std::wstring& path)
{
    if (path.empty() || LogWriter::current() != nullptr) {
        return;
    }
    // Deliberately never destroyed: lines may be logged until the very end of the process.
    auto* writer = new LogWriter(path);
    LogWriter* expected = nullptr;
    if (!g_writer.compare_exchange_strong(expected, writer)) {
        delete writer;
    }
}

void flushLog(std::chrono::milliseconds timeout)
{
    if (LogWriter* writer = LogWriter::current()) {
        writer->flush(timeout);
    }
}

}  // namespace common
