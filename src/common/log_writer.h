#pragma once
// The single writer of the log file: callers hand it complete lines, one background thread batches
// them into the file and keeps the file under its size cap.
//
// Callers never touch the disk: append() only takes a lock long enough to add the line to a small
// pending text, and the thread swaps that text out before writing, so a slow disk delays only the
// thread. Memory stays bounded: a line is refused while more than the flush threshold is waiting.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace common {

struct LogWriterLimits {
    size_t flushThreshold = 10240;          // bytes waiting that wake the writer at once
    uint64_t rotateAtBytes = 52428800;      // 50 MiB: the file is cut back after a write past this
    uint64_t keepTailBytes = 2097152;       // 2 MiB: how much of the end survives the cut
    std::chrono::milliseconds interval{500};
};

class LogWriter {
public:
    // Starts the writer thread at once; the thread opens the file itself.
    explicit LogWriter(std::wstring path, LogWriterLimits limits = {});
    // Writes what is pending and stops the thread. The process's own writer is never destroyed
    // (see openLog); tests destroy theirs.
    ~LogWriter();

    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Any thread. Adds one complete line; dropped when more than the threshold is already waiting.
    void append(std::string_view line);

    // Any thread. Blocks until every line appended before the call is in the file, or the time-out
    // passes; false on time-out.
    bool flush(std::chrono::milliseconds timeout);

    // The largest pending text seen, for checking that a burst does not grow memory.
    [[nodiscard]] size_t peakPendingBytes() const { return m_peakPending.load(); }

    // The process's writer, or null before openLog.
    [[nodiscard]] static LogWriter* current();

private:
    void run();
    void openFile();
    void writeBatch(const std::string& batch);
    void rotateIfNeeded();
    bool reopenTruncated();
    void closeFile();

    const std::wstring m_path;
    const LogWriterLimits m_limits;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::string m_pending;             // guarded by m_mutex
    uint64_t m_flushRequested = 0;     // guarded by m_mutex
    uint64_t m_flushCompleted = 0;     // guarded by m_mutex
    bool m_stopping = false;           // guarded by m_mutex
    std::atomic<size_t> m_peakPending{0};

    std::FILE* m_file = nullptr;       // writer thread only
    std::thread m_thread;              // last: starts after every member above exists
};

// Opens the process's log. Does nothing when `path` is empty or a log is already open. Lines
// logged before this call are built and discarded.
void openLog(const std::wstring& path);

// Writes the lines logged so far before an orderly exit; waits at most `timeout`.
void flushLog(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

}  // namespace common
