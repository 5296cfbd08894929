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

struct RefreshCase
{
    const char* name;
    /// Whether a lock event came before the refresh.
    bool lockedBefore;
    std::optional<SessionDictionary> dictionary;
    bool locked;
    std::vector<std::string> messages;

    friend void PrintTo(const RefreshCase& row, std::ostream* out) { *out << row.name; }
};

const std::string kFlagKeys = "CGSessionCopyCurrentDictionary keys: [\"LockedHint\"]";

const RefreshCase refreshCases[] = {
    {"TrueLocks", false, SessionDictionary{{"LockedHint", true}}, true, {kFlagKeys}},
    {"FalseOverridesALockEvent", true, SessionDictionary{{"LockedHint", false}}, false, {kFlagKeys}},
    {"OneLocks", false, SessionDictionary{{"LockedHint", std::int64_t{1}}}, true, {kFlagKeys}},
    {"NegativeLocks", false, SessionDictionary{{"LockedHint", std::int64_t{-7}}}, true, {kFlagKeys}},
    {"ZeroUnlocks", true, SessionDictionary{{"LockedHint", std::int64_t{0}}}, false, {kFlagKeys}},
    {"FractionLocks", false, SessionDictionary{{"LockedHint", 0.25}}, true, {kFlagKeys}},
    {"FloatingZeroUnlocks", true, SessionDictionary{{"LockedHint", 0.0}}, false, {kFlagKeys}},
    {"TextKeepsTheState",
     true,
     SessionDictionary{{"LockedHint", std::string{"false"}}},
     true,
     {kFlagKeys, kMissing}},
    {"EmptyValueKeepsTheState",
     true,
     SessionDictionary{{"LockedHint", std::monostate{}}},
     true,
     {kFlagKeys, kMissing}},
    {"NoDictionaryKeepsTheState", true, std::nullopt, true, {kNil}},
    {"EmptyDictionaryListsNoKeys",
     false,
     SessionDictionary{},
     false,
     {"CGSessionCopyCurrentDictionary keys: []", kMissing}},
};

class ScreenLockRefreshTest : public ScreenLockMonitorTest, public ::testing::WithParamInterface<RefreshCase>
{};

TEST_P(ScreenLockRefreshTest, ReadsTheFlagOrKeepsTheLastState)
{
    const RefreshCase& row = GetParam();
    monitor.start();
    if (row.lockedBefore) {
        source->post(SessionLockSource::lockEventName);
    }
    ASSERT_EQ(monitor.isLocked(), row.lockedBefore);
    messages.clear();
    source->dictionary = row.dictionary;
    monitor.refreshCurrentState();
    EXPECT_EQ(monitor.isLocked(), row.locked);
    EXPECT_EQ(messages, row.messages);
}

INSTANTIATE_TEST_SUITE_P(Flags, ScreenLockRefreshTest, ::testing::ValuesIn(refreshCases),
                         [](const auto& info) { return std::string{info.param.name}; });

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
