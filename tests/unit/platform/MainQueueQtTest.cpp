#include "linux/base/MainQueueQt.h"

#include "EventLoopWait.h"
#include "QtTestApplication.h"
#include "linux/base/BackgroundWorkerQt.h"
#include "linux/base/ClockSystem.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace hollerbox::testing {
namespace {

class MainQueueQtTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }

    MainQueueQt queue;
};

TEST_F(MainQueueQtTest, JobsPostedFromOtherThreadsRunOnTheMainThreadInOrder)
{
    std::vector<int> order;
    std::atomic<bool> wrongThread = false;
    const auto mainThread = QThread::currentThread();
    std::thread poster{[&] {
        for (int i = 0; i < 100; ++i) {
            queue.post([&, i] {
                wrongThread = wrongThread || QThread::currentThread() != mainThread;
                order.push_back(i);
            });
        }
    }};
    poster.join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(waitProcessingEvents([&] { return order.size() == 100; }));
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_FALSE(wrongThread);
}

TEST_F(MainQueueQtTest, TimersFireUntilCancelledAndDelayedJobsCanBeWithdrawn)
{
    int repeats = 0;
    int delayed = 0;
    int withdrawn = 0;
    auto repeating = queue.scheduleRepeating(std::chrono::milliseconds{10}, [&] { ++repeats; });
    auto once = queue.scheduleAfter(std::chrono::milliseconds{20}, [&] { ++delayed; });
    auto cancelled = queue.scheduleAfter(std::chrono::milliseconds{20}, [&] { ++withdrawn; });
    cancelled.reset();
    ASSERT_TRUE(waitProcessingEvents([&] { return repeats >= 5 && delayed == 1; }));
    repeating->cancel();
    const int seen = repeats;
    processEventsFor(std::chrono::milliseconds{60});
    EXPECT_EQ(repeats, seen);
    EXPECT_EQ(delayed, 1);
    EXPECT_EQ(withdrawn, 0);
}

TEST_F(MainQueueQtTest, PeriodsBeyondTheTimersRangeDoNotSpin)
{
    int fired = 0;
    auto huge = queue.scheduleRepeating(std::chrono::milliseconds{4294967296LL}, [&] { ++fired; });
    auto wrapsNegative = queue.scheduleRepeating(std::chrono::milliseconds{3000000000LL}, [&] { ++fired; });
    int reference = 0;
    auto small = queue.scheduleRepeating(std::chrono::milliseconds{5}, [&] { ++reference; });
    ASSERT_TRUE(waitProcessingEvents([&] { return reference >= 5; }));
    EXPECT_EQ(fired, 0);
}

TEST_F(MainQueueQtTest, TimerMayDestroyItsOwnHandleWhileFiring)
{
    int fired = 0;
    std::unique_ptr<ScheduledTask> handle;
    handle = queue.scheduleRepeating(std::chrono::milliseconds{1}, [&] {
        ++fired;
        handle.reset();
    });
    processEventsFor(std::chrono::milliseconds{30});
    EXPECT_EQ(fired, 1);
}

TEST_F(MainQueueQtTest, BackgroundWorkRunsOffTheMainThreadAndCompletesOnIt)
{
    BackgroundWorkerQt worker{queue};
    const auto mainThread = QThread::currentThread();
    std::atomic<QThread*> workThread = nullptr;
    QThread* completionThread = nullptr;
    worker.run([&] { workThread = QThread::currentThread(); },
               [&] { completionThread = QThread::currentThread(); });
    ASSERT_TRUE(waitProcessingEvents([&] { return completionThread != nullptr; }));
    EXPECT_NE(workThread.load(), mainThread);
    EXPECT_EQ(completionThread, mainThread);
}

} // namespace
} // namespace hollerbox::testing
