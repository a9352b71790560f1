#include "utility/task_thread.h"

#include <process.h>

TaskThread::~TaskThread()
{
    if (m_thread) {
        requestStop();
        stop(1000);
    }
}

bool TaskThread::start(Runable* task)
{
    if (m_thread || task == nullptr) {
        return false;
    }
    m_stopRequested.store(false);
    m_stopEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_task = task;
    const uintptr_t handle = _beginthreadex(nullptr, 0, &TaskThread::threadMain, task, 0, nullptr);
    if (handle == 0) {
        m_task = nullptr;
        m_stopEvent.reset();
        return false;
    }
    m_thread.reset(reinterpret_cast<HANDLE>(handle));
    return true;
}

unsigned __stdcall TaskThread::threadMain(void* task)
{
    static_cast<Runable*>(task)->run();
    return 0;
}

void TaskThread::stop(DWORD timeoutMs)
{
    if (m_thread) {
        if (WaitForSingleObject(m_thread.get(), timeoutMs) != WAIT_OBJECT_0) {
            // Last resort: the thread gets no chance to clean up.
            TerminateThread(m_thread.get(), static_cast<DWORD>(-1));
            WaitForSingleObject(m_thread.get(), INFINITE);
        }
        m_thread.reset();
    }
    if (m_task != nullptr) {
        m_task->release();
        m_task = nullptr;
    }
    m_stopEvent.reset();
    m_stopRequested.store(false);
}

void TaskThread::requestStop()
{
    m_stopRequested.store(true);
    if (m_stopEvent) {
        SetEvent(m_stopEvent.get());
    }
}
