#include "linux/base/TerminationSignalWatch.h"

#include "QtTestApplication.h"

#include <QDeadlineTimer>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace hollerbox {
namespace {

TEST(TerminationSignalWatchTest, DeliversSigtermOnTheMainThreadAndLeavesItIgnoredAfterwards)
{
    auto& application = testing::ensureCoreApplication();
    const auto mainThread = QThread::currentThread();
    int deliveries = 0;
    QThread* deliveredOn = nullptr;
    {
        TerminationSignalWatch watch{[&] {
            ++deliveries;
            deliveredOn = QThread::currentThread();
        }};
        ASSERT_TRUE(watch.isActive());
        std::thread sender{[] { ::kill(::getpid(), SIGTERM); }};
        sender.join();
        QDeadlineTimer deadline{5000};
        while (deliveries == 0 && !deadline.hasExpired()) {
            application.processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
    }
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(deliveredOn, mainThread);

    struct sigaction current = {};
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
    ::kill(::getpid(), SIGTERM); // must not end the test program
    EXPECT_EQ(deliveries, 1);
}

} // namespace
} // namespace hollerbox
