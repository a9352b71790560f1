#pragma once
// One background thread running one task. Started and stopped by its owner on one thread (the
// window thread, or the exit path); the task may ask isStopRequested() from its own thread.

#include "utility/runable.h"
#include "utility/scoped_handle.h"

#include <windows.h>

#include <atomic>

class TaskThread {
public:
    TaskThread() = default;
    // Asks the task to stop and stops it with a 1000 ms time-out, so no thread outlives its owner.
    ~TaskThread();

    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    // False (leaving `task` with the caller) when a thread is already running or cannot be
    // created. Otherwise takes ownership of `task` and runs it on a new thread.
    [[nodiscard]] bool start(Runable* task);

    // Waits at most `timeoutMs` for the thread, then terminates it (exit code -1); releases the
    // task and resets the object so it can be started again. Does not itself ask the task to end:
    // call requestStop() first.
    void stop(DWORD timeoutMs);

    // Any thread.
    void requestStop();
    [[nodiscard]] bool isStopRequested() const { return m_stopRequested.load(); }
    // Signalled by requestStop(); lets a task wait for work or for the stop, whichever is first.
    [[nodiscard]] HANDLE stopEvent() const { return m_stopEvent.get(); }
    [[nodiscard]] bool isRunning() const { return m_thread.valid(); }

private:
    static unsigned __stdcall threadMain(void* task);

    Runable* m_task = nullptr;
    utility::ScopedKernelHandle m_thread;
    utility::ScopedKernelHandle m_stopEvent;
    std::atomic<bool> m_stopRequested{false};
};
