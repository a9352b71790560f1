#include "utility/main_thread.h"

#include "window_thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Counts its runs and notes its own release, so a test sees "ran N times" and "was freed".
class CountingTask : public Runable {
public:
    CountingTask(std::atomic<int>& runs, std::atomic<bool>& released, std::function<void()> onRun = {})
        : m_runs(runs), m_released(released), m_onRun(std::move(onRun))
    {
    }
    ~CountingTask() override { m_released = true; }
    void run() override
    {
        ++m_runs;
        if (m_onRun) {
            m_onRun();
        }
    }

private:
    std::atomic<int>& m_runs;
    std::atomic<bool>& m_released;
    std::function<void()> m_onRun;
};

using testsupport::pumpFor;
using testsupport::pumpUntil;

class MainThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MainThreadDispatcher::create(); }
};

TEST_F(MainThreadTest, TasksOfOneOwnerRunInOrderOnceEachOnTheWindowThread)
{
    MainThreadToken owner;
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::thread worker([&] {
        owner.postTask([&] { order.push_back(1); threads.push_back(GetCurrentThreadId()); });
        owner.postTask([&] { order.push_back(2); threads.push_back(GetCurrentThreadId()); });
    });
    worker.join();
    EXPECT_EQ(MainThreadDispatcher::instance()->pendingCount(owner.key()), 2);

    ASSERT_TRUE(pumpUntil([&] { return order.size() == 2; }));
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(threads, (std::vector<DWORD>{GetCurrentThreadId(), GetCurrentThreadId()}));
    EXPECT_EQ(MainThreadDispatcher::instance()->pendingCount(owner.key()), 0);
}

TEST_F(MainThreadTest, ATaskPostedAfterItsOwnerWentIsReleasedAndNeverRun)
{
    std::atomic<int> runs{0};
    std::atomic<bool> queuedReleased{false};
    std::atomic<bool> lateReleased{false};
    uint64_t key = 0;
    {
        MainThreadToken owner;
        key = owner.key();
        owner.post(new CountingTask(runs, queuedReleased));  // still queued when the owner goes
    }
    // A worker that outlived its owner posts its result with the key it was given.
    std::thread late([&] { MainThreadDispatcher::instance()->post(key, new CountingTask(runs, lateReleased)); });
    late.join();
    ASSERT_TRUE(pumpUntil([&] { return queuedReleased.load() && lateReleased.load(); }));
    EXPECT_EQ(runs.load(), 0);
}

TEST_F(MainThreadTest, CancellingAnOwnerThatNeverPostedStillDropsItsLaterTasks)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    uint64_t key = 0;
    {
        MainThreadToken owner;
        key = owner.key();
    }  // destroyed without ever posting
    std::thread late([&] { MainThreadDispatcher::instance()->post(key, new CountingTask(runs, released)); });
    late.join();
    ASSERT_TRUE(pumpUntil([&] { return released.load(); }));
    EXPECT_EQ(runs.load(), 0);
    EXPECT_EQ(MainThreadDispatcher::instance()->pendingCount(key), -1);
}

TEST_F(MainThreadTest, ANewOwnerNeverInheritsACancelledOwnersState)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    alignas(MainThreadToken) unsigned char storage[sizeof(MainThreadToken)];
    auto* first = new (storage) MainThreadToken();
    const uint64_t firstKey = first->key();
    first->~MainThreadToken();
    auto* second = new (storage) MainThreadToken();  // same address
    EXPECT_NE(second->key(), firstKey);
    second->post(new CountingTask(runs, released));
    ASSERT_TRUE(pumpUntil([&] { return released.load(); }));
    EXPECT_EQ(runs.load(), 1);
    second->~MainThreadToken();
}

TEST_F(MainThreadTest, ATimerRepeatsUntilStoppedAndIsThenReleased)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    MainThreadTimer timer;
    ASSERT_TRUE(timer.start(20, new CountingTask(runs, released)));
    ASSERT_TRUE(pumpUntil([&] { return runs.load() >= 3; }));
    EXPECT_FALSE(released.load());
    timer.stop();
    EXPECT_TRUE(released.load());
    const int stoppedAt = runs.load();
    pumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(runs.load(), stoppedAt);
}

TEST_F(MainThreadTest, ATimerTaskMayStopItsOwnTimer)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    MainThreadTimer timer;
    ASSERT_TRUE(timer.start(10, new CountingTask(runs, released, [&timer] { timer.stop(); })));
    ASSERT_TRUE(pumpUntil([&] { return released.load(); }));
    pumpFor(std::chrono::milliseconds(60));
    EXPECT_EQ(runs.load(), 1);
}

TEST_F(MainThreadTest, ATimerNeedsAnIntervalAndATask)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    auto* task = new CountingTask(runs, released);
    MainThreadTimer timer;
    EXPECT_FALSE(timer.start(0, task));
    EXPECT_FALSE(timer.isRunning());
    EXPECT_FALSE(released.load()) << "the caller keeps a refused task";
    EXPECT_FALSE(timer.start(100, nullptr));
    task->release();
}

TEST_F(MainThreadTest, PostToMainThreadRunsUnderTheProcessToken)
{
    std::atomic<int> runs{0};
    std::atomic<bool> released{false};
    std::thread worker([&] { postToMainThread(new CountingTask(runs, released)); });
    worker.join();
    ASSERT_TRUE(pumpUntil([&] { return released.load(); }));
    EXPECT_EQ(runs.load(), 1);
}

}  // namespace
