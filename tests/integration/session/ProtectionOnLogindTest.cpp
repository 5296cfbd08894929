#include "CallLog.h"
#include "EventLoopWait.h"
#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeMovementMonitor.h"
#include "LogindMock.h"
#include "QtTestApplication.h"
#include "ScreenSaverMock.h"
#include "SessionBusEnvironment.h"
#include "WaitFor.h"
#include "engine/OpenLidAlarmController.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/session/LogindNames.h"
#include "linux/session/RootDomainReaderLogind.h"
#include "linux/session/SessionLockSourceLogind.h"
#include "linux/session/SleepInhibitorLogind.h"
#include "session/PowerAssertionLease.h"
#include "session/ScreenLockMonitor.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class SnapshotRecorder final : public OpenLidAlarmControllerDelegate
{
public:
    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        last = snapshot;
    }
    OpenLidAlarmSnapshot last;
};

// The engine of the application, with the real lock source, lid reader and both leases on private buses.
TEST(ProtectionOnLogindTest, ScreenLockArmsUnderAnInhibitorTheAlarmHoldsTheKeysAndUnlockReleasesBoth)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start());
    LogindMock logind{buses.systemBusAddress()};
    ASSERT_TRUE(logind.start());
    logind.addCallerSession();
    auto locker = ScreenSaverMock::freedesktop(buses.sessionBusAddress());
    ASSERT_TRUE(locker.start());

    ClockSystem clock;
    MainQueueQt queue;
    auto calls = std::make_shared<CallLog>();
    ProtectionConfiguration configuration;
    configuration.pollIntervalMilliseconds = 20;
    configuration.armDelaySeconds = 600;
    SessionLockSourceLogind::Options options;
    options.sessionId.clear();
    options.desktop = QStringLiteral("sway");
    OpenLidAlarmController controller{
        configuration,
        std::make_unique<RootDomainReaderLogind>(),
        std::make_unique<ScreenLockMonitor>(std::make_shared<SessionLockSourceLogind>(options)),
        std::make_unique<FakeAlarmPlayer>(calls, clock),
        std::make_unique<PowerAssertionLease>(std::make_unique<SleepInhibitorLogind>()),
        std::make_unique<FakeMovementMonitor>(calls),
        std::make_unique<FakeAudioReadinessProbe>(),
        clock,
        queue,
        std::make_unique<PowerAssertionLease>(
            std::make_unique<SleepInhibitorLogind>(logind::lidAndPowerKeyLocks))};
    auto recorder = std::make_shared<SnapshotRecorder>();
    controller.setDelegate(recorder);
    controller.start();
    processEventsFor(100ms);
    EXPECT_EQ(controller.state(), OpenLidAlarmState::idle);
    EXPECT_TRUE(logind.listInhibitors().empty());

    locker.emitActiveChanged(true);
    EXPECT_TRUE(waitProcessingEvents([&] { return controller.state() == OpenLidAlarmState::pendingArm; }));
    const auto inhibitors = logind.listInhibitors();
    ASSERT_EQ(inhibitors.size(), 1u);
    EXPECT_EQ(inhibitors[0].why, QStringLiteral("HollerboxApp"));
    processEventsFor(100ms);
    EXPECT_EQ(controller.state(), OpenLidAlarmState::pendingArm) << "LockedHint=false overruled the locker";

    logind.setLidClosed(true);
    EXPECT_TRUE(waitProcessingEvents([&] { return recorder->last.isLidClosed; }));
    EXPECT_EQ(logind.listInhibitors().size(), 1u) << "the keys were held before the alarm";

    controller.triggerAlarmNow();
    const auto whileSounding = logind.listInhibitors();
    ASSERT_EQ(whileSounding.size(), 2u);
    EXPECT_EQ(whileSounding[1].what,
              QStringLiteral("handle-lid-switch:handle-power-key:handle-suspend-key:handle-hibernate-key"));
    EXPECT_EQ(whileSounding[1].who, QStringLiteral("Hollerbox"));
    EXPECT_EQ(whileSounding[1].why, QStringLiteral("HollerboxAlarm"));
    EXPECT_EQ(whileSounding[1].mode, QStringLiteral("block"));

    locker.emitActiveChanged(false);
    EXPECT_TRUE(waitProcessingEvents([&] { return controller.state() == OpenLidAlarmState::idle; }));
    EXPECT_FALSE(recorder->last.isScreenLocked);
    EXPECT_TRUE(waitFor([&] { return logind.listInhibitors().empty(); }, 5s, 10ms));
    controller.stop();
}

} // namespace
} // namespace hollerbox::testing
