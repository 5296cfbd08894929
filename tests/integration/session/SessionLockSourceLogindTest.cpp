#include "linux/session/SessionLockSourceLogind.h"

#include "EventLoopWait.h"
#include "LogindMock.h"
#include "QtTestApplication.h"
#include "ScreenSaverMock.h"
#include "SessionBusEnvironment.h"
#include "session/ScreenLockMonitor.h"

#include <algorithm>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::Not;

constexpr const char* kNil = "CGSessionCopyCurrentDictionary returned nil while refreshing lock state.";
constexpr const char* kMissing = "CGSSessionScreenIsLocked missing from session dictionary.";
constexpr const char* kLockReceived = "Received distributed lock notification.";
constexpr const char* kUnlockReceived = "Received distributed unlock notification.";

/// Options with no desktop named (unless given), whatever the environment says.
SessionLockSourceLogind::Options sourceOptions(const QString& sessionId = {}, const QString& desktop = {})
{
    SessionLockSourceLogind::Options options;
    options.sessionId = sessionId;
    options.desktop = desktop;
    options.retryInterval = 50ms;
    return options;
}

class SessionLockSourceLogindTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(buses.start());
        ASSERT_TRUE(logind.start());
        logind.addCallerSession();
    }

    void startMonitor(SessionLockSourceLogind::Options options = sourceOptions())
    {
        source = std::make_shared<SessionLockSourceLogind>(options);
        monitor = std::make_unique<ScreenLockMonitor>(source);
        monitor->setDiagnosticHandler([this](const std::string& message) { messages.push_back(message); });
        monitor->start();
    }

    /// Refreshes as the controller's tick does, until the monitor reports `locked`.
    bool becomesLocked(bool locked)
    {
        return waitProcessingEvents([&] {
            monitor->refreshCurrentState();
            return monitor->isLocked() == locked;
        });
    }

    bool receivedMessage(const char* message)
    {
        return waitProcessingEvents(
            [&] { return std::find(messages.begin(), messages.end(), message) != messages.end(); });
    }

    /// Waits until a property change of the followed session has arrived: every signal sent before it
    /// has been handled by then.
    void barrier(const QString& sessionId = QStringLiteral("c1"))
    {
        static int round = 0;
        const auto value = QStringLiteral("barrier-%1").arg(++round);
        logind.updateSessionProperties(sessionId, {{QStringLiteral("RemoteHost"), value}});
        ASSERT_TRUE(waitProcessingEvents([&] {
            const auto dictionary = source->currentSessionDictionary();
            return dictionary && dictionary->at("RemoteHost") == SessionValue{value.toStdString()};
        }));
    }

    SessionBusEnvironment buses;
    LogindMock logind{buses.systemBusAddress()};
    std::shared_ptr<SessionLockSourceLogind> source;
    std::unique_ptr<ScreenLockMonitor> monitor;
    std::vector<std::string> messages;
};

TEST_F(SessionLockSourceLogindTest, LockedHintOfTheFollowedSessionLocksAndUnlocks)
{
    logind.addSession(QStringLiteral("c2"));
    startMonitor();
    EXPECT_EQ(source->sessionPath(), LogindMock::sessionPath(QStringLiteral("c1")));
    EXPECT_FALSE(monitor->isLocked());
    ASSERT_GE(messages.size(), 2u);
    EXPECT_THAT(messages[1], ::testing::StartsWith("CGSessionCopyCurrentDictionary keys: [\"Active\", "));
    EXPECT_THAT(messages[1], ::testing::HasSubstr("\"LockedHint\""));
    logind.setLockedHint(QStringLiteral("c2"), true);
    barrier();
    monitor->refreshCurrentState();
    EXPECT_FALSE(monitor->isLocked()) << "other sessions are ignored";
    EXPECT_THAT(messages, Not(Contains(kLockReceived)));

    logind.setLockedHint(QStringLiteral("c1"), true);
    EXPECT_TRUE(waitProcessingEvents([&] { return monitor->isLocked(); }));
    EXPECT_TRUE(receivedMessage(kLockReceived));
    monitor->refreshCurrentState();
    EXPECT_TRUE(monitor->isLocked());

    logind.setLockedHint(QStringLiteral("c1"), false);
    EXPECT_TRUE(waitProcessingEvents([&] { return !monitor->isLocked(); }));
    EXPECT_TRUE(receivedMessage(kUnlockReceived));
    monitor->refreshCurrentState();
    EXPECT_FALSE(monitor->isLocked());
}

TEST_F(SessionLockSourceLogindTest, FollowsTheFirstSessionThatExistsAndItsStateAtStart)
{
    const struct
    {
        const char* name;
        std::function<void()> arrange;
        const char* requested;
        const char* followed;
        bool locked = false;
    } rows[] = {
        {"the environment's session first", [&] { logind.addSession(QStringLiteral("c2")); }, "c2", "c2"},
        {"an unknown one falls back to the process's", [] {}, "gone", "c1"},
        {"a process outside sessions falls back to auto",
         [&] {
             logind.addSession(QStringLiteral("c3"));
             logind.setSessionOfProcess(std::nullopt);
             logind.setAutoSession(QStringLiteral("c3"));
         },
         "", "c3"},
        {"an already locked one is locked at start",
         [&] { logind.setLockedHint(QStringLiteral("c3"), true); }, "c3", "c3", true},
        {"none at all", [&] { logind.setCallerSession(std::nullopt); }, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange();
        messages.clear();
        startMonitor(sourceOptions(QString::fromLatin1(row.requested)));
        const QString followed = QString::fromLatin1(row.followed);
        EXPECT_EQ(source->sessionPath(), followed.isEmpty() ? QString{} : LogindMock::sessionPath(followed));
        EXPECT_EQ(monitor->isLocked(), row.locked);
        if (followed.isEmpty()) {
            EXPECT_EQ(messages.back(), kNil);
        }
    }
}

enum class Hint
{
    staysFalse,
    turnsTrue,
    wasTrueBefore,
};

struct ScreenSaverCase
{
    const char* name;
    const char* desktop;
    const char* sessionDesktop;
    bool gnomeInterface;
    Hint hint;
    bool locked;
};

void PrintTo(const ScreenSaverCase& scenario, std::ostream* out)
{
    *out << scenario.name;
}

class ScreenSaverActivationTest : public SessionLockSourceLogindTest,
                                  public ::testing::WithParamInterface<ScreenSaverCase>
{};

// A screen saver turns active, for a lock or for an idle blank; afterwards it reports inactive again.
TEST_P(ScreenSaverActivationTest, LocksOnlyWhereTheHintIsNotMaintained)
{
    const auto& scenario = GetParam();
    if (*scenario.sessionDesktop != '\0') {
        logind.setSessionDesktop(QStringLiteral("c1"), QString::fromLatin1(scenario.sessionDesktop));
    }
    auto saver = scenario.gnomeInterface ? ScreenSaverMock::gnome(buses.sessionBusAddress())
                                         : ScreenSaverMock::freedesktop(buses.sessionBusAddress());
    ASSERT_TRUE(saver.start());
    startMonitor(sourceOptions({}, QString::fromLatin1(scenario.desktop)));
    if (scenario.hint == Hint::wasTrueBefore) {
        logind.setLockedHint(QStringLiteral("c1"), true);
        ASSERT_TRUE(becomesLocked(true));
        logind.setLockedHint(QStringLiteral("c1"), false);
        ASSERT_TRUE(becomesLocked(false));
    }
    messages.clear();

    saver.emitActiveChanged(true);
    if (scenario.hint == Hint::turnsTrue) {
        logind.setLockedHint(QStringLiteral("c1"), true);
    }
    if (scenario.locked) {
        EXPECT_TRUE(becomesLocked(true));
    } else {
        processEventsFor(200ms);
    }
    barrier();
    monitor->refreshCurrentState();
    EXPECT_EQ(monitor->isLocked(), scenario.locked);
    EXPECT_EQ(std::find(messages.begin(), messages.end(), kMissing) != messages.end(),
              scenario.locked && scenario.hint == Hint::staysFalse)
        << "a LockedHint that the locker does not maintain is left out";

    // Signals of one sender arrive in order: a lock event of the activation comes before this unlock.
    saver.emitActiveChanged(false);
    ASSERT_TRUE(receivedMessage(kUnlockReceived));
    const auto unlock = std::find(messages.begin(), messages.end(), kUnlockReceived);
    EXPECT_EQ(std::find(messages.begin(), unlock, kLockReceived) != unlock, scenario.locked);
    monitor->refreshCurrentState();
    EXPECT_EQ(monitor->isLocked(), scenario.hint == Hint::turnsTrue) << "only the hint outlasts the saver";
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, ScreenSaverActivationTest,
    ::testing::Values(
        ScreenSaverCase{"GnomeIdleBlank", "GNOME", "", true, Hint::staysFalse, false},
        ScreenSaverCase{"GnomeLock", "GNOME", "", true, Hint::turnsTrue, true},
        ScreenSaverCase{"UbuntuGnomeIdleBlank", "ubuntu:GNOME", "ubuntu", true, Hint::staysFalse, false},
        ScreenSaverCase{"GnomeShellIdleBlankWithoutDesktopNamed", "", "", true, Hint::staysFalse, false},
        ScreenSaverCase{"GnomeSessionIdleBlankWithoutEnvironment", "", "gnome-xorg", false, Hint::staysFalse,
                        false},
        ScreenSaverCase{"KdeIdle", "KDE", "", false, Hint::staysFalse, false},
        ScreenSaverCase{"KdeSessionIdle", "", "KDE", false, Hint::staysFalse, false},
        ScreenSaverCase{"KdeLock", "KDE", "KDE", false, Hint::turnsTrue, true},
        ScreenSaverCase{"SwayLocker", "sway", "sway", false, Hint::staysFalse, true},
        ScreenSaverCase{"I3LockerOnUnnamedDesktop", "", "", false, Hint::staysFalse, true},
        ScreenSaverCase{"BudgieGnomeScreenSaver", "Budgie:GNOME", "budgie-desktop", true, Hint::staysFalse,
                        true},
        ScreenSaverCase{"BlankAfterTheHintWasSeenTrue", "i3", "", false, Hint::wasTrueBefore, false}),
    [](const ::testing::TestParamInfo<ScreenSaverCase>& info) { return std::string{info.param.name}; });

TEST_F(SessionLockSourceLogindTest, ScreenSaverOnAnyObjectPathLocksAndUnlocksWhenItVanishes)
{
    ScreenSaverMock otherPath{buses.sessionBusAddress(), QStringLiteral("org.example.locker"),
                              QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")};
    ASSERT_TRUE(otherPath.start());
    startMonitor();
    otherPath.emitActiveChanged(true);
    ASSERT_TRUE(becomesLocked(true));

    otherPath.stop();
    EXPECT_TRUE(becomesLocked(false));
}

TEST_F(SessionLockSourceLogindTest, DictionaryWithoutTheFlagKeepsTheStateUntilTheSessionBusDrops)
{
    logind.addBareSession(QStringLiteral("c5"),
                          {{QStringLiteral("Id"), QStringLiteral("c5")}, {QStringLiteral("Active"), true}});
    logind.setCallerSession(QStringLiteral("c5"));
    auto locker = ScreenSaverMock::freedesktop(buses.sessionBusAddress());
    ASSERT_TRUE(locker.start());
    startMonitor();
    EXPECT_EQ(messages.at(1), "CGSessionCopyCurrentDictionary keys: [\"Active\", \"Id\"]");
    EXPECT_EQ(messages.at(2), kMissing);

    locker.emitActiveChanged(true);
    ASSERT_TRUE(receivedMessage(kLockReceived));
    locker.emitActiveChanged(false);
    ASSERT_TRUE(receivedMessage(kUnlockReceived));
    locker.emitActiveChanged(true);
    EXPECT_TRUE(waitProcessingEvents([&] { return monitor->isLocked(); }));
    monitor->refreshCurrentState();
    EXPECT_TRUE(monitor->isLocked());

    buses.sessionBus().stop();
    EXPECT_TRUE(becomesLocked(false)) << "a dropped session bus ends the screen saver's lock";
}

TEST_F(SessionLockSourceLogindTest, LockedHintOfAnotherTypeNeitherLocksNorUnlocks)
{
    startMonitor();
    logind.setLockedHint(QStringLiteral("c1"), true);
    ASSERT_TRUE(becomesLocked(true));

    logind.updateSessionProperties(QStringLiteral("c1"),
                                   {{QStringLiteral("LockedHint"), QStringLiteral("no")}});
    barrier();
    messages.clear();
    monitor->refreshCurrentState();
    EXPECT_TRUE(monitor->isLocked());
    EXPECT_THAT(messages, Contains(kMissing));
    EXPECT_THAT(messages, Not(Contains(kUnlockReceived)));

    logind.updateSessionProperties(QStringLiteral("c1"),
                                   {{QStringLiteral("LockedHint"), QVariant::fromValue(quint32{0})}});
    EXPECT_TRUE(becomesLocked(false)) << "a number is a flag";
}

TEST_F(SessionLockSourceLogindTest, VanishedSessionLeavesNoStaleLock)
{
    startMonitor();
    logind.setLockedHint(QStringLiteral("c1"), true);
    ASSERT_TRUE(becomesLocked(true));

    logind.removeSession(QStringLiteral("c1"));
    EXPECT_TRUE(waitProcessingEvents([&] { return source->sessionPath().isEmpty(); }));
    messages.clear();
    monitor->refreshCurrentState();
    EXPECT_THAT(messages, Contains(kNil));

    logind.addCallerSession(QStringLiteral("c4"));
    EXPECT_TRUE(becomesLocked(false));
    EXPECT_EQ(source->sessionPath(), LogindMock::sessionPath(QStringLiteral("c4")));
}

TEST_F(SessionLockSourceLogindTest, HungLogindNeverBlocksARefresh)
{
    startMonitor();
    logind.pause();
    const auto before = std::chrono::steady_clock::now();
    for (int tick = 0; tick < 50; ++tick) {
        monitor->refreshCurrentState();
    }
    const auto elapsed = std::chrono::steady_clock::now() - before;
    logind.resume();
    EXPECT_LT(elapsed, 1s);
    EXPECT_THAT(messages.back(), ::testing::StartsWith("CGSessionCopyCurrentDictionary keys: ["))
        << "the dictionary is served from what was read before";
}

TEST_F(SessionLockSourceLogindTest, HungLogindAtStartCostsBoundedWaitsAndIsPickedUpLater)
{
    logind.setLockedHint(QStringLiteral("c1"), true);
    logind.pause();
    const auto before = std::chrono::steady_clock::now();
    startMonitor();
    const auto elapsed = std::chrono::steady_clock::now() - before;
    EXPECT_LT(elapsed, 2s);
    EXPECT_FALSE(monitor->isLocked());

    logind.resume();
    EXPECT_TRUE(becomesLocked(true));
}

TEST_F(SessionLockSourceLogindTest, DroppedSystemBusIsSurvivedAndReconnected)
{
    startMonitor();
    logind.setLockedHint(QStringLiteral("c1"), true);
    ASSERT_TRUE(becomesLocked(true));

    logind.stop();
    buses.systemBus().stop();
    EXPECT_TRUE(waitProcessingEvents([&] { return !source->currentSessionDictionary(); }));
    monitor->refreshCurrentState();
    EXPECT_TRUE(monitor->isLocked());

    ASSERT_TRUE(buses.systemBus().start());
    LogindMock restarted{buses.systemBusAddress()};
    ASSERT_TRUE(restarted.start());
    restarted.addCallerSession();
    EXPECT_TRUE(becomesLocked(false));
}

TEST(SessionLockSourceWithoutSystemBusTest, ScreenSaverAloneDecidesAndRefreshesKeepTheState)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start(false, true));
    auto locker = ScreenSaverMock::freedesktop(buses.sessionBusAddress());
    ASSERT_TRUE(locker.start());
    auto source = std::make_shared<SessionLockSourceLogind>(sourceOptions());
    ScreenLockMonitor monitor{source};
    std::vector<std::string> messages;
    monitor.setDiagnosticHandler([&](const std::string& message) { messages.push_back(message); });
    monitor.start();
    EXPECT_EQ(messages.back(), kNil);

    locker.emitActiveChanged(true);
    ASSERT_TRUE(waitProcessingEvents([&] { return monitor.isLocked(); }));
    messages.clear();
    monitor.refreshCurrentState();
    EXPECT_TRUE(monitor.isLocked());
    EXPECT_THAT(messages, ::testing::ElementsAre(kNil));
}

TEST(SessionLockSourceLateLogindTest, LogindThatAppearsAfterStartIsPickedUp)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start());
    auto source = std::make_shared<SessionLockSourceLogind>(sourceOptions());
    EXPECT_FALSE(source->currentSessionDictionary());

    LogindMock logind{buses.systemBusAddress()};
    ASSERT_TRUE(logind.start());
    logind.addCallerSession();
    logind.setLockedHint(QStringLiteral("c1"), true);
    EXPECT_TRUE(waitProcessingEvents([&] {
        const auto dictionary = source->currentSessionDictionary();
        return dictionary && dictionary->count("LockedHint") &&
               dictionary->at("LockedHint") == SessionValue{true};
    }));
}

} // namespace
} // namespace hollerbox::testing
