#pragma once
// The Measurement Protocol channel: one event (name and label) per post to the analytics host,
// either queued for a background sender or sent at once on the caller's thread. It also owns the
// machine identifier, which the signed upload uses as the device identity too.
//
// Windows only. The analytics host comes from the program's host table (hostBase), which each
// program links in; libcurl must have been initialised globally. Nothing is retried and nothing
// is reported: a failed post loses its event.

#include "telemetry/machine_identity.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <string>

class GoogleAnalytics {
public:
    // Events queued beyond this while the sender is busy are dropped.
    static constexpr size_t kQueueLimit = 100;

    GoogleAnalytics();
    // For tests: identifier sources of their own instead of the user's registry and files.
    explicit GoogleAnalytics(MachineIdSources sources);
    // Stops the sender: a post in progress completes (at most the post time-out), queued events
    // are discarded. Blocks until the sender has ended. No other call may run concurrently.
    ~GoogleAnalytics();

    GoogleAnalytics(const GoogleAnalytics&) = delete;
    GoogleAnalytics& operator=(const GoogleAnalytics&) = delete;

    // The product's measurement identifier and API secret. Set once before the first event.
    void setProperty(const std::wstring& measurementId, const std::wstring& apiSecret);

    // Fills the client identifier if it is still empty (see findMachineId). Blocking; any thread.
    // A call that races another waits for that one's result instead of deriving a second one.
    void calcPCID();
    // Narrow ANSI; empty until calcPCID has found one. Any thread.
    [[nodiscard]] std::string clientId() const;

    // Any thread; returns at once. Queues the event for the background sender, which is started
    // on the first event. Dropped when disabled or when kQueueLimit events are waiting.
    void postEvent(const std::wstring& name, const std::wstring& label);
    // Any thread; blocks for the post (at most the client's 8-second time-out). Does nothing when
    // disabled. For events sent just before the installer quits or hands over to a browser.
    void sendEventNow(const std::wstring& name, const std::wstring& label);

    // From then on every new event is dropped; events already queued still go out. Any thread.
    void disable();
    [[nodiscard]] bool isDisabled() const { return m_disabled.load(); }
    // True while the background sender performs a post.
    [[nodiscard]] bool isBusy() const { return m_busy.load(); }

private:
    struct SendTask {
        std::wstring name;
        std::wstring label;
    };

    void _senderLoop();
    void _sendEvent(const std::wstring& name, const std::wstring& label);

    std::string m_clientId;                     // under m_lock
    std::deque<SendTask> m_queue;               // under m_lock
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::future<void> m_sender;                 // under m_lock
    bool m_stopRequested = false;               // under m_lock
    std::atomic<bool> m_busy{false};
    std::wstring m_measurementId;               // under m_lock
    std::wstring m_apiSecret;                   // under m_lock
    std::atomic<bool> m_disabled{false};
    MachineIdSources m_sources;
    // Serialises the derivation, which reads and writes the registry; taken before m_lock, never
    // while holding it.
    std::mutex m_derivationLock;
};
