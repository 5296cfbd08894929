#include "session/AssumedLockedStateMonitor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

TEST(AssumedLockedStateMonitorTest, TheFirstRefreshForcesLockedOnceAndSaysSoWhenItWasNot)
{
    const struct
    {
        bool startedLocked;
        bool withHandler;
        std::vector<std::string> messages;
    } rows[] = {
        {false,
         true,
         {"AssumedLockedStateMonitor starting with isLocked=false.",
          "AssumedLockedStateMonitor forcing isLocked back to true."}},
        {true, true, {"AssumedLockedStateMonitor starting with isLocked=true."}},
        {false, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.startedLocked << row.withHandler);
        AssumedLockedStateMonitor monitor{row.startedLocked};
        std::vector<std::string> messages;
        if (row.withHandler) {
            monitor.setDiagnosticHandler([&](const std::string& message) { messages.push_back(message); });
        }
        monitor.start();
        EXPECT_EQ(monitor.isLocked(), row.startedLocked);
        monitor.refreshCurrentState();
        monitor.refreshCurrentState();
        monitor.stop();
        monitor.refreshCurrentState();
        EXPECT_TRUE(monitor.isLocked());
        EXPECT_EQ(messages, row.messages);
    }
}

} // namespace
} // namespace hollerbox::testing
