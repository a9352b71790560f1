#include "utility/main_thread.h"

namespace {

constexpr UINT kRunTaskMessage = 8888;

std::atomic<MainThreadDispatcher*> g_dispatcher{nullptr};
std::atomic<uint64_t> g_nextTokenKey{1};

MainThreadToken& processToken()
{
    static MainThreadToken token;
    return token;
}

}  // namespace

MainThreadDispatcher* MainThreadDispatcher::create()
{
    if (MainThreadDispatcher* existing = instance()) {
        return existing;
    }
    // Lives until the process ends: queued tasks may arrive until the very last message.
    auto* dispatcher = new MainThreadDispatcher();
    g_dispatcher.store(dispatcher, std::memory_order_release);
    return dispatcher;
}

MainThreadDispatcher* MainThreadDispatcher::instance()
{
    return g_dispatcher.load(std::memory_order_acquire);
}

MainThreadDispatcher::MainThreadDispatcher() : m_threadId(GetCurrentThreadId())
{
    m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (m_window != nullptr) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_window, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(&MainThreadDispatcher::windowProc));
    }
}

bool MainThreadDispatcher::post(uint64_t owner, Runable* task)
{
    if (task == nullptr) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        int32_t& count = m_owners[owner];
        // A cancelled owner stays cancelled: its new tasks are released unrun like its old ones.
        if (count >= 0) {
            ++count;
        }
    }
    if (m_window != nullptr &&
        PostMessageW(m_window, kRunTaskMessage, static_cast<WPARAM>(owner),
                     reinterpret_cast<LPARAM>(task))) {
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        int32_t& count = m_owners[owner];
        if (count > 0) {
            --count;
        }
    }
    task->release();
    return false;
}

void MainThreadDispatcher::cancel(uint64_t owner)
{
    std::lock_guard<std::mutex> lock(m_lock);
    // Recorded even for an owner that never posted: a worker may post after the owner is gone.
    m_owners[owner] = -1;
}

int32_t MainThreadDispatcher::pendingCount(uint64_t owner)
{
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = m_owners.find(owner);
    return found == m_owners.end() ? 0 : found->second;
}

void MainThreadDispatcher::runPosted(uint64_t owner, Runable* task)
{
    bool runIt = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto found = m_owners.find(owner);
        if (found != m_owners.end() && found->second > 0) {
            --found->second;
            runIt = true;
        }
    }
    if (runIt) {
        task->run();
    }
    task->release();
}

UINT_PTR MainThreadDispatcher::setTimer(UINT intervalMs, Runable* task)
{
    if (m_window == nullptr || task == nullptr) {
        return 0;
    }
    const UINT_PTR id = ++m_lastTimerId;
    if (SetTimer(m_window, id, intervalMs, nullptr) == 0) {
        return 0;
    }
    m_timers[id] = task;
    return id;
}

void MainThreadDispatcher::killTimer(UINT_PTR id)
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end()) {
        return;
    }
    Runable* task = found->second;
    m_timers.erase(found);
    KillTimer(m_window, id);
    if (id == m_runningTimer) {
        m_runningTimerKilled = true;  // released by runTimer once the task has returned
        return;
    }
    task->release();
}

void MainThreadDispatcher::runTimer(UINT_PTR id)
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end()) {
        return;
    }
    Runable* task = found->second;
    m_runningTimer = id;
    m_runningTimerKilled = false;
    task->run();
    m_runningTimer = 0;
    if (m_runningTimerKilled) {
        m_runningTimerKilled = false;
        task->release();
    }
}

LRESULT CALLBACK MainThreadDispatcher::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<MainThreadDispatcher*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == kRunTaskMessage) {
            self->runPosted(static_cast<uint64_t>(wParam), reinterpret_cast<Runable*>(lParam));
            return 0;
        }
        if (message == WM_TIMER) {
            self->runTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

MainThreadToken::MainThreadToken() : m_key(g_nextTokenKey.fetch_add(1)) {}

bool MainThreadToken::post(Runable* task)
{
    MainThreadDispatcher* dispatcher = MainThreadDispatcher::instance();
    if (dispatcher == nullptr) {
        if (task != nullptr) {
            task->release();
        }
        return false;
    }
    return dispatcher->post(m_key, task);
}

void MainThreadToken::cancel()
{
    if (MainThreadDispatcher* dispatcher = MainThreadDispatcher::instance()) {
        dispatcher->cancel(m_key);
    }
}

bool postToMainThread(Runable* task)
{
    return processToken().post(task);
}

bool MainThreadTimer::start(UINT intervalMs, Runable* task)
{
    MainThreadDispatcher* dispatcher = MainThreadDispatcher::instance();
    if (intervalMs == 0 || task == nullptr || dispatcher == nullptr) {
        return false;
    }
    m_id = dispatcher->setTimer(intervalMs, task);
    return m_id != 0;
}

void MainThreadTimer::stop()
{
    if (m_id == 0) {
        return;
    }
    if (MainThreadDispatcher* dispatcher = MainThreadDispatcher::instance()) {
        dispatcher->killTimer(m_id);
    }
    m_id = 0;
}
