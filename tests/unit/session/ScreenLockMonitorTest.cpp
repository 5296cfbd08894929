#include "session/ScreenLockMonitor.h"

#include "session/FakeSessionLockSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kNil = "CGSessionCopyCurrentDictionary returned nil while refreshing lock state.";
constexpr const char* kMissing = "CGSSessionScreenIsLocked missing from session dictionary.";
constexpr const char* kLockReceived = "Received distributed lock notification.";
constexpr const char* kUnlockReceived = "Received distributed unlock notification.";

class ScreenLockMonitorTest : public ::testing::Test
{
protected:
    ScreenLockMonitorTest()
    {
        monitor.setDiagnosticHandler([this](const std::string& message) { messages.push_back(message); });
    }

    void refreshWithFlag(SessionValue flag)
    {
        source->dictionary = SessionDictionary{{"Active", true}, {"LockedHint", std::move(flag)}};
        monitor.refreshCurrentState();
    }

    std::shared_ptr<FakeSessionLockSource> source = std::make_shared<FakeSessionLockSource>();
    ScreenLockMonitor monitor{source};
    std::vector<std::string> messages;
};

TEST_F(ScreenLockMonitorTest, StartReportsRegistersForBothEventsAndRefreshes)
{
    EXPECT_EQ(monitor.lockName(), "com.apple.screenIsLocked");
    EXPECT_EQ(monitor.unlockName(), "com.apple.screenIsUnlocked");

    monitor.start();

    EXPECT_THAT(messages, ElementsAre("ScreenLockMonitor starting. Initial isLocked=false.", kNil));
    EXPECT_EQ(source->observerCount(), 2u);
    EXPECT_EQ(source->dictionaryReads, 1);
    EXPECT_FALSE(monitor.isLocked());
}

TEST_F(ScreenLockMonitorTest, StartReadsTheLockFlagAtOnce)
{
    source->dictionary = SessionDictionary{{"LockedHint", true}};
    monitor.start();
    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages, ElementsAre("ScreenLockMonitor starting. Initial isLocked=false.",
                                      "CGSessionCopyCurrentDictionary keys: [\"LockedHint\"]"));
}

TEST_F(ScreenLockMonitorTest, LockEventLocksAtOnceAndAMissingFlagNeverUnlocks)
{
    monitor.start();
    source->dictionary = SessionDictionary{{"Name", std::string{"ada"}}, {"Active", true}};
    messages.clear();

    EXPECT_EQ(source->post(SessionLockSource::lockEventName), 1);
    EXPECT_TRUE(monitor.isLocked());

    monitor.refreshCurrentState();
    monitor.refreshCurrentState();
    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages,
                ElementsAre(kLockReceived, "CGSessionCopyCurrentDictionary keys: [\"Active\", \"Name\"]",
                            kMissing, "CGSessionCopyCurrentDictionary keys: [\"Active\", \"Name\"]",
                            kMissing));

    EXPECT_EQ(source->post(SessionLockSource::unlockEventName), 1);
    EXPECT_FALSE(monitor.isLocked());
    EXPECT_EQ(messages.back(), kUnlockReceived);
}

TEST_F(ScreenLockMonitorTest, FlagOfAnyOtherKindKeepsTheLastState)
{
    monitor.start();
    source->post(SessionLockSource::lockEventName);

    for (const SessionValue& odd : {SessionValue{std::string{"false"}}, SessionValue{std::monostate{}}}) {
        messages.clear();
        refreshWithFlag(odd);
        EXPECT_TRUE(monitor.isLocked());
        EXPECT_EQ(messages.back(), kMissing);
    }
}

TEST_F(ScreenLockMonitorTest, FlagsAndNumbersSetTheStateEitherWay)
{
    monitor.start();

    refreshWithFlag(true);
    EXPECT_TRUE(monitor.isLocked());
    refreshWithFlag(false);
    EXPECT_FALSE(monitor.isLocked());
    refreshWithFlag(std::int64_t{1});
    EXPECT_TRUE(monitor.isLocked());
    refreshWithFlag(std::int64_t{0});
    EXPECT_FALSE(monitor.isLocked());
    refreshWithFlag(std::int64_t{-7});
    EXPECT_TRUE(monitor.isLocked());
    refreshWithFlag(0.0);
    EXPECT_FALSE(monitor.isLocked());
    refreshWithFlag(0.25);
    EXPECT_TRUE(monitor.isLocked());
}

TEST_F(ScreenLockMonitorTest, AnExplicitFalseFlagOverridesAnEarlierLockEvent)
{
    monitor.start();
    source->post(SessionLockSource::lockEventName);
    refreshWithFlag(false);
    EXPECT_FALSE(monitor.isLocked());
    EXPECT_EQ(messages.back(), "CGSessionCopyCurrentDictionary keys: [\"Active\", \"LockedHint\"]");
}

TEST_F(ScreenLockMonitorTest, NoDictionaryKeepsTheStateAndSaysSo)
{
    monitor.start();
    refreshWithFlag(true);
    source->dictionary.reset();
    messages.clear();

    monitor.refreshCurrentState();

    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages, ElementsAre(kNil));
}

TEST_F(ScreenLockMonitorTest, EmptyDictionaryListsNoKeys)
{
    source->dictionary = SessionDictionary{};
    monitor.refreshCurrentState();
    EXPECT_THAT(messages, ElementsAre("CGSessionCopyCurrentDictionary keys: []", kMissing));
}

TEST_F(ScreenLockMonitorTest, StopAndDestructionEndTheObservations)
{
    monitor.start();
    monitor.start();
    EXPECT_EQ(source->observerCount(), 2u);

    monitor.stop();
    EXPECT_EQ(source->observerCount(), 0u);
    EXPECT_EQ(source->post(SessionLockSource::lockEventName), 0);
    EXPECT_FALSE(monitor.isLocked());

    {
        ScreenLockMonitor other{source};
        other.start();
        EXPECT_EQ(source->observerCount(), 2u);
    }
    EXPECT_EQ(source->observerCount(), 0u);
}

TEST(ScreenLockMonitorWithoutHandlerTest, BehavesTheSameSilently)
{
    auto source = std::make_shared<FakeSessionLockSource>();
    ScreenLockMonitor monitor{source};
    monitor.start();
    source->post(SessionLockSource::lockEventName);
    monitor.refreshCurrentState();
    EXPECT_TRUE(monitor.isLocked());
    source->dictionary = SessionDictionary{{"LockedHint", std::int64_t{0}}};
    monitor.refreshCurrentState();
    EXPECT_FALSE(monitor.isLocked());
}

} // namespace
} // namespace hollerbox::testing
