#pragma once
// Running work on the window thread.
//
// Workers post tasks under their owner's MainThreadToken; the dispatcher, a message-only window
// on the window thread, runs them there in posting order. When the owner goes, its token cancels,
// and tasks still queued for it are released without running, so a late result never reaches a
// destroyed window or model.

#include "utility/runable.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

class MainThreadDispatcher {
public:
    // Window thread, once (utility::initialize). Returns the process's dispatcher.
    static MainThreadDispatcher* create();
    // Null before create().
    [[nodiscard]] static MainThreadDispatcher* instance();

    // Any thread. Queues `task` for the window thread under `owner`; the dispatcher owns the task
    // from here on, also when posting fails.
    bool post(uint64_t owner, Runable* task);
    // Any thread. Tasks of `owner` still queued, or posted later, are released unrun.
    void cancel(uint64_t owner);
    // Queued tasks of `owner` not yet run; -1 once cancelled; 0 for an unknown owner.
    [[nodiscard]] int32_t pendingCount(uint64_t owner);

    // Window thread. Runs `task` every `intervalMs` until killTimer; returns the timer id, or 0
    // (and the caller keeps the task) when the system timer cannot start.
    [[nodiscard]] UINT_PTR setTimer(UINT intervalMs, Runable* task);
    // Window thread. Releases the timer's task (after its run, when it kills its own timer).
    void killTimer(UINT_PTR id);

    [[nodiscard]] DWORD windowThreadId() const { return m_threadId; }

private:
    MainThreadDispatcher();
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void runPosted(uint64_t owner, Runable* task);
    void runTimer(UINT_PTR id);

    std::mutex m_lock;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
    std::map<UINT_PTR, Runable*> m_timers;   // window thread only
    UINT m_lastTimerId = 0;                  // window thread only
    UINT_PTR m_runningTimer = 0;             // window thread only
    bool m_runningTimerKilled = false;       // window thread only
    std::map<uint64_t, int32_t> m_owners;    // guarded by m_lock
};

// Embedded in every owner of posted tasks; declare it last in its owner so that it is destroyed
// first, before anything a queued task could touch. Tokens are keyed by a serial number that is
// never reused, so a new owner built at a freed owner's address never inherits its tasks.
class MainThreadToken {
public:
    MainThreadToken();
    ~MainThreadToken() { cancel(); }

    MainThreadToken(const MainThreadToken&) = delete;
    MainThreadToken& operator=(const MainThreadToken&) = delete;

    // Any thread. False when there is no dispatcher or posting failed (the task is released).
    bool post(Runable* task);
    template <typename F>
    bool postTask(F&& function)
    {
        return post(makeTask(std::forward<F>(function)));
    }
    void cancel();
    [[nodiscard]] uint64_t key() const { return m_key; }

private:
    const uint64_t m_key;
};

// Posts under the process-wide token, which is never cancelled.
bool postToMainThread(Runable* task);

// One repeating dispatcher timer. Window thread only.
class MainThreadTimer {
public:
    MainThreadTimer() = default;
    ~MainThreadTimer() { stop(); }

    MainThreadTimer(const MainThreadTimer&) = delete;
    MainThreadTimer& operator=(const MainThreadTimer&) = delete;

    // False for a zero interval or a null task (the caller keeps the task then), or when the
    // timer cannot start. Stop a running timer before starting it again.
    [[nodiscard]] bool start(UINT intervalMs, Runable* task);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_id != 0; }

private:
    UINT_PTR m_id = 0;
};
