#include "utility/run_detached.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

TEST(RunDetached, ReturnsBeforeTheWorkEndsAndDropsFinishedWorkLater)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> done{false};

    const auto before = utility::detachedCount();
    utility::runDetached([released, &done] {
        released.wait();
        done = true;
    });
    EXPECT_FALSE(done.load()) << "the caller must not wait for the work";
    EXPECT_EQ(utility::detachedCount(), before + 1);

    release.set_value();
    for (int i = 0; i < 500 && !done.load(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(done.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the future become ready

    utility::runDetached([] {});
    EXPECT_LE(utility::detachedCount(), before + 1) << "finished work stays parked";
}

}  // namespace
