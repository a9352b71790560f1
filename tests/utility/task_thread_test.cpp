#include "utility/task_thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

// A task that counts loop turns until asked to stop (or forever when it ignores stop requests),
// and notes its own release.
class LoopTask : public Runable {
public:
    LoopTask(TaskThread& thread, bool ignoreStop, std::atomic<int>& turns, std::atomic<bool>& released)
        : m_thread(thread), m_ignoreStop(ignoreStop), m_turns(turns), m_released(released)
    {
    }
    ~LoopTask() override { m_released = true; }
    void run() override
    {
        while (m_ignoreStop || !m_thread.isStopRequested()) {
            ++m_turns;
            Sleep(5);
        }
    }

private:
    TaskThread& m_thread;
    bool m_ignoreStop;
    std::atomic<int>& m_turns;
    std::atomic<bool>& m_released;
};

bool waitFor(const std::atomic<int>& value, int atLeast)
{
    for (int i = 0; i < 1000 && value.load() < atLeast; ++i) {
        Sleep(5);
    }
    return value.load() >= atLeast;
}

TEST(TaskThread, StopTerminatesAThreadThatIgnoresItsStopRequestAfterTheTimeOut)
{
    TaskThread thread;
    std::atomic<int> turns{0};
    std::atomic<bool> released{false};
    ASSERT_TRUE(thread.start(new LoopTask(thread, true, turns, released)));
    ASSERT_TRUE(waitFor(turns, 1));

    thread.requestStop();
    const auto started = std::chrono::steady_clock::now();
    thread.stop(1000);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(10));
    EXPECT_TRUE(released.load());
    EXPECT_FALSE(thread.isRunning());

    const int after = turns.load();
    Sleep(100);
    EXPECT_EQ(turns.load(), after) << "the thread still runs";
}

TEST(TaskThread, StartOnARunningThreadIsRefusedAndLeavesBothTasksAlone)
{
    TaskThread thread;
    std::atomic<int> turns{0};
    std::atomic<int> otherTurns{0};
    std::atomic<bool> released{false};
    std::atomic<bool> otherReleased{false};
    ASSERT_TRUE(thread.start(new LoopTask(thread, false, turns, released)));
    auto* other = new LoopTask(thread, false, otherTurns, otherReleased);
    EXPECT_FALSE(thread.start(other));
    EXPECT_FALSE(otherReleased.load()) << "a refused task stays with the caller";

    const int before = turns.load();
    ASSERT_TRUE(waitFor(turns, before + 2)) << "the running task was disturbed";
    EXPECT_EQ(otherTurns.load(), 0);

    thread.requestStop();
    EXPECT_TRUE(thread.isStopRequested());
    thread.stop(5000);
    EXPECT_TRUE(released.load());
    other->release();
}

TEST(TaskThread, ACooperativeTaskEndsOnRequestAndTheObjectCanStartAgain)
{
    TaskThread thread;
    for (int round = 0; round < 2; ++round) {
        std::atomic<int> turns{0};
        std::atomic<bool> released{false};
        ASSERT_TRUE(thread.start(new LoopTask(thread, false, turns, released)));
        EXPECT_FALSE(thread.isStopRequested()) << "start clears an earlier request";
        ASSERT_TRUE(waitFor(turns, 1));
        thread.requestStop();
        EXPECT_EQ(WaitForSingleObject(thread.stopEvent(), 0), WAIT_OBJECT_0);
        const auto started = std::chrono::steady_clock::now();
        thread.stop(10000);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_TRUE(released.load());
        EXPECT_FALSE(thread.isStopRequested()) << "stop clears the flag";
    }
}

TEST(TaskThread, ANeverStartedThreadIsAStopFlagThatStopResets)
{
    TaskThread flag;
    flag.requestStop();
    EXPECT_TRUE(flag.isStopRequested());
    flag.stop(2000);
    EXPECT_FALSE(flag.isStopRequested());
}

}  // namespace
