#include "session/AssumedLockedStateMonitor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

TEST(AssumedLockedStateMonitorTest, StartedUnlockedItForcesLockedOnceAtTheFirstRefresh)
{
    AssumedLockedStateMonitor monitor{false};
    std::vector<std::string> messages;
    monitor.setDiagnosticHandler([&](const std::string& message) { messages.push_back(message); });

    monitor.start();
    EXPECT_FALSE(monitor.isLocked());

    monitor.refreshCurrentState();
    monitor.refreshCurrentState();
    monitor.stop();
    monitor.refreshCurrentState();

    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages, ElementsAre("AssumedLockedStateMonitor starting with isLocked=false.",
                                      "AssumedLockedStateMonitor forcing isLocked back to true."));
}

TEST(AssumedLockedStateMonitorTest, StartedLockedItNeverForces)
{
    AssumedLockedStateMonitor monitor{true};
    std::vector<std::string> messages;
    monitor.setDiagnosticHandler([&](const std::string& message) { messages.push_back(message); });

    monitor.start();
    monitor.refreshCurrentState();

    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages, ElementsAre("AssumedLockedStateMonitor starting with isLocked=true."));
}

TEST(AssumedLockedStateMonitorTest, WithoutHandlerItStillLocks)
{
    AssumedLockedStateMonitor monitor{false};
    monitor.start();
    monitor.refreshCurrentState();
    EXPECT_TRUE(monitor.isLocked());
}

} // namespace
} // namespace hollerbox::testing
