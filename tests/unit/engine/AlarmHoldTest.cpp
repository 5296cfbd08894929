#include "ControllerFixture.h"

#include <functional>
#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

class AlarmHoldTest : public ControllerFixture
{
protected:
    void expectHeldExactlyWhileTriggered(const std::string& step)
    {
        EXPECT_EQ(alarmHold->isActive(), controller->state() == OpenLidAlarmState::triggered) << step;
    }

    void liftWhileArmed()
    {
        startLocked();
        runUntilArmed();
        expectHeldExactlyWhileTriggered("armed");
        movement->pendingEvents.push_back({"Movement detected."});
        ticks(1);
    }
};

TEST_F(AlarmHoldTest, HeldFromEveryWayIntoTriggeredUntilEveryWayOut)
{
    using Step = std::function<void()>;
    struct Case
    {
        const char* in;
        Step enter;
        const char* out;
        Step leave;
    };
    const Step lift = [this] { liftWhileArmed(); };
    const Step fallback = [this] {
        movement->armResult = {false, "No accelerometer was found."};
        startLocked();
        runUntilArmed();
        for (int i = 0; i < 20 && controller->state() == OpenLidAlarmState::armed; ++i) {
            expectHeldExactlyWhileTriggered("armed, fallback counting down");
            ticks(1);
        }
    };
    const Step manual = [this] {
        startLocked();
        expectHeldExactlyWhileTriggered("pendingArm");
        controller->triggerAlarmNow();
    };
    const Step hardwareTest = [this] {
        controller->start();
        ASSERT_TRUE(controller->startMovementTest());
        expectHeldExactlyWhileTriggered("test armed");
        movement->pendingEvents.push_back({"Moved a lot."});
        ticks(1);
    };
    const Step unlock = [this] {
        lock->lockedAfterRefresh = false;
        ticks(1);
    };
    const Step protectionOff = [this] { controller->setProtectionEnabled(false); };
    const Step reset = [this] { controller->resetToIdle(); };
    const Step stop = [this] { controller->stop(); };
    const Step lidClosed = [this] {
        lid->clamshellClosed = true;
        ticks(1);
    };
    const Step testFinished = [this] { controller->stopMovementTest(); };

    for (const auto& [in, enter, out, leave] : {
             Case{"lift", lift, "unlock", unlock},
             Case{"lift", lift, "stop", stop},
             Case{"fallback", fallback, "protection off", protectionOff},
             Case{"manual", manual, "reset", reset},
             Case{"manual", manual, "stop", stop},
             Case{"hardware test", hardwareTest, "lid closed", lidClosed},
             Case{"hardware test", hardwareTest, "test finished", testFinished},
         }) {
        SCOPED_TRACE(std::string{in} + " then " + out);
        ProtectionConfiguration configuration;
        configuration.simulatedTriggerDelaySeconds = 1;
        build(configuration);
        enter();
        ASSERT_EQ(controller->state(), OpenLidAlarmState::triggered);
        ticks(3);
        EXPECT_TRUE(alarmHold->isActive());
        EXPECT_EQ(alarmHold->grantedCount, 1);

        leave();
        EXPECT_FALSE(alarmHold->isActive());
        if (std::string_view{out} != "stop") {
            EXPECT_NE(controller->state(), OpenLidAlarmState::triggered);
            ticks(2);
            expectHeldExactlyWhileTriggered("after leaving");
        }
    }
}

TEST_F(AlarmHoldTest, TakenAfterTheAlarmStartsAndAgainOnEachNewAlarm)
{
    holdCalls = calls;
    build();
    startLocked();
    runUntilArmed();
    calls->clear();
    movement->pendingEvents.push_back({"Movement detected."});
    ticks(1);
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.disarm", "player.play", "hold.acquire(HollerboxAlarm)"));

    controller->triggerAlarmNow();
    EXPECT_TRUE(alarmHold->isActive());
    EXPECT_EQ(alarmHold->grantedCount, 1);

    calls->clear();
    lock->lockedAfterRefresh = false;
    ticks(1);
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.disarm", "monitor.release", "lease.release",
                                            "player.stop", "hold.release"));
    controller->triggerAlarmNow();
    EXPECT_TRUE(alarmHold->isActive());
    EXPECT_EQ(alarmHold->grantedCount, 2);
}

TEST_F(AlarmHoldTest, RefusedHoldIsADiagnosticAndTheAlarmStillSounds)
{
    build();
    alarmHold->acquireStatus = 3;
    liftWhileArmed();
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_FALSE(alarmHold->isActive());
    EXPECT_EQ(lastMessage(),
              "Lid and power key inhibitor not granted (status 3). The alarm sounds without it.");
    ASSERT_EQ(alarm->playbacks.size(), 1U);
    EXPECT_TRUE(alarm->playing);

    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_EQ(delegate->last().statusText, "Alarm Triggered");
}

TEST_F(AlarmHoldTest, WithoutAHoldLeaseTheAlarmSoundsAndEndsAsUsual)
{
    build({}, false);
    startLocked();
    controller->triggerAlarmNow();
    EXPECT_EQ(alarm->playbacks.size(), 1U);
    lock->lockedAfterRefresh = false;
    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
}

} // namespace
} // namespace hollerbox::testing
