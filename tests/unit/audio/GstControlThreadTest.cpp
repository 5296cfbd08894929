#include "linux/audio/GstControlThread.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <vector>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

TEST(GstControlThreadTest, ShutdownRunsTheWaitingJobsInOrderThenRefusesPosts)
{
    GstControlThread thread;
    std::promise<void> release;
    std::vector<int> ran;
    ASSERT_TRUE(thread.post([gate = release.get_future().share()] { gate.wait(); }));
    for (int job = 0; job < 3; ++job) {
        ASSERT_TRUE(thread.post([&ran, job] { ran.push_back(job); }));
    }
    release.set_value();
    EXPECT_TRUE(thread.shutdown(2s));
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(thread.post([] {}));
}

TEST(GstControlThreadTest, AStuckJobIsLeftBehindAfterTheLimitAndFinishesOnItsOwn)
{
    std::promise<void> release;
    std::atomic<bool> later{false};
    std::promise<void> laterRan;
    {
        GstControlThread thread;
        ASSERT_TRUE(thread.post([gate = release.get_future().share()] { gate.wait(); }));
        ASSERT_TRUE(thread.post([&] {
            later = true;
            laterRan.set_value();
        }));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(thread.shutdown(50ms));
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
        EXPECT_FALSE(thread.post([] {}));
    }
    EXPECT_FALSE(later);
    release.set_value();
    EXPECT_EQ(laterRan.get_future().wait_for(2s), std::future_status::ready);
    EXPECT_TRUE(later);
}

} // namespace
} // namespace hollerbox::testing
