#pragma once
// The signed event upload: events with a key and optional extra properties, collected from any
// thread and uploaded in batches by one thread, as a JSON array with a "timestamp" header and a
// short MD5 "signature" header, to the maker's collection host.
//
// Windows only. The collection host comes from the program's host table (hostBase), which each
// program links in; libcurl must have been initialised globally. A failed upload loses its batch:
// there is no retry and nothing is kept across runs.

#include "telemetry/event_bodies.h"
#include "utility/scoped_handle.h"
#include "utility/task_thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>

class QVReporter {
public:
    // How long the upload thread collects events before it uploads them.
    static constexpr DWORD kUploadIntervalMs = 20000;
    // How long shutdown() lets the last upload run before the thread is terminated.
    static constexpr DWORD kStopTimeoutMs = 3000;

    // The program's one reporter: created on first use and never destroyed, so events may be
    // posted at any time, even while the process exits.
    [[nodiscard]] static QVReporter& instance();

    // Separate reporters are for tests; the program uses instance().
    QVReporter();
    // Shuts down a running upload thread.
    ~QVReporter();

    QVReporter(const QVReporter&) = delete;
    QVReporter& operator=(const QVReporter&) = delete;

    // Once, by the owner (the model's start): keeps the identity texts and starts the upload
    // thread. Events posted earlier go out with the first upload. A second call does nothing.
    void start(const std::wstring& openid, const std::wstring& deviceId, const std::wstring& language);

    // Any thread; returns at once and does not wake the upload thread. `filler` runs later on the
    // upload thread, with no lock held, and only adds members to the event's "properties".
    void postEvent(const std::wstring& key, PropertyFiller filler = nullptr);

    // By the owner, at exit: wakes the upload thread so the events collected so far go out at once,
    // and waits kStopTimeoutMs for it, then terminates it. Nothing is uploaded afterwards. A thread
    // that has not begun its first wait yet ends at once, without an upload.
    void shutdown();

    // For tests only, before start(): a shorter interval than kUploadIntervalMs.
    void setUploadIntervalForTesting(DWORD intervalMs) { m_intervalMs = intervalMs; }

private:
    struct PendingEvent {
        std::wstring key;
        int64_t timeMs = 0;  // whole seconds since 1970 UTC, × 1000
        PropertyFiller filler;
    };

    void _threadReport();
    // One upload of everything collected so far; nothing is posted when there is nothing.
    void _uploadPending();

    std::list<PendingEvent> m_events;  // under m_lock
    TaskThread m_uploadThread;
    std::mutex m_lock;
    utility::ScopedKernelHandle m_wakeEvent;  // auto-reset
    std::wstring m_openid;
    std::wstring m_deviceId;
    std::wstring m_language;
    std::atomic<bool> m_stopRequested{false};
    DWORD m_intervalMs = kUploadIntervalMs;
};
