#include "ControllerFixture.h"

#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

class MovementTestModeTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        build();
        controller->start();
        calls->clear();
    }
};

TEST_F(MovementTestModeTest, PreparesThenArmsWithoutLockAndPlaysWithoutVolumeOverride)
{
    movement->values = {{1, 0xFF00, 3, 10, std::nullopt, std::nullopt}};
    EXPECT_TRUE(controller->prepareMovementTestResources());
    EXPECT_TRUE(controller->isMovementTestPreparationReady());
    EXPECT_THAT(calls->calls(), ElementsAre("lease.acquire(HollerboxApp)", "monitor.prepare"));
    EXPECT_EQ(messages()[1], "Preparing welcome hardware movement test resources.");

    calls->clear();
    EXPECT_TRUE(controller->startMovementTest());
    EXPECT_TRUE(controller->isMovementTestMode());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    // Not yet marked available, so the preparation runs again before arming.
    EXPECT_THAT(calls->calls(),
                ElementsAre("lease.acquire(HollerboxApp)", "monitor.prepare", "monitor.arm", "player.stop"));
    EXPECT_EQ(delegate->last().detailText, "Lift the Mac now to hear how Hollerbox reacts.");
    EXPECT_EQ(lastMessage(), "State changed to armed. Lift the Mac now to hear how Hollerbox reacts.");

    ticks(1); // screen unlocked, protection irrelevant
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    EXPECT_EQ(delegate->last().detailText, "Lift the Mac now to hear how Hollerbox reacts.");

    movement->pendingEvents.push_back({"Moved a lot."});
    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    ASSERT_EQ(alarm->playbacks.size(), 1U);
    EXPECT_FALSE(alarm->playbacks[0].overrideVolumeScalar.has_value());
    EXPECT_EQ(messages()[messages().size() - 3],
              "Welcome hardware test movement trigger accepted. Moved a lot.");

    ticks(1);
    EXPECT_EQ(delegate->last().detailText, "Hardware test alarm is live. Click Continue when you're done.");
    alarm->playing = false;
    ticks(8);
    EXPECT_EQ(alarm->playbacks.size(), 2U);

    controller->stopMovementTest();
    EXPECT_FALSE(controller->isMovementTestMode());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().detailText, "Hardware test finished.");
    EXPECT_EQ(messages()[messages().size() - 2], "Welcome hardware movement test stopped.");

    controller->triggerAlarmNow();
    EXPECT_EQ(alarm->playbacks.back().overrideVolumeScalar, 0.65F);
}

TEST_F(MovementTestModeTest, ClosingTheLidEndsTheTestOnlyOnceArmed)
{
    lid->clamshellClosed = true;
    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);

    lid->clamshellClosed = false;
    ASSERT_TRUE(controller->startMovementTest());
    lid->clamshellClosed = std::nullopt; // unreadable counts as open
    ticks(1);
    EXPECT_TRUE(controller->isMovementTestMode());

    lid->clamshellClosed = true;
    calls->clear();
    ticks(1);
    EXPECT_FALSE(controller->isMovementTestMode());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().detailText, "Hardware test stopped because the lid was closed.");
    EXPECT_THAT(calls->calls(),
                ElementsAre("monitor.disarm", "monitor.release", "lease.release", "player.stop"));
}

TEST_F(MovementTestModeTest, IdleTickInTheModeOnlyPublishesEvenWithTheLidClosed)
{
    ASSERT_TRUE(controller->startMovementTest());
    controller->resetToIdle(); // leaves the mode flag set
    ASSERT_TRUE(controller->isMovementTestMode());
    lid->clamshellClosed = true;
    lock->lockedAfterRefresh = true;
    calls->clear();
    ticks(3);
    EXPECT_TRUE(calls->calls().empty());
    EXPECT_TRUE(controller->isMovementTestMode());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().detailText, "Hardware test is ready when movement monitoring is armed.");
}

TEST_F(MovementTestModeTest, StoppingOutsideTheModeOrStartingTwiceChangesNothing)
{
    for (const bool started : {false, true}) {
        const auto lines = messages().size();
        const auto published = delegate->snapshots.size();
        if (started) {
            EXPECT_TRUE(controller->startMovementTest());
        } else {
            controller->stopMovementTest();
        }
        EXPECT_TRUE(calls->calls().empty()) << started;
        EXPECT_EQ(messages().size(), lines);
        EXPECT_EQ(delegate->snapshots.size(), published);
        ASSERT_TRUE(controller->startMovementTest());
        calls->clear();
    }
}

TEST_F(MovementTestModeTest, AlreadyAvailableMonitorIsArmedDirectly)
{
    lock->lockedAfterRefresh = true;
    ticks(1);
    runUntilArmed();
    ASSERT_TRUE(controller->isMovementMonitoringAvailable());
    calls->clear();
    ASSERT_TRUE(controller->startMovementTest());
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.arm", "player.stop"));
    EXPECT_EQ(messages()[messages().size() - 2], "Welcome hardware movement test requested.");
}

TEST_F(MovementTestModeTest, FailedPreparationReportsAndKeepsTheState)
{
    movement->prepareResult = false;
    EXPECT_FALSE(controller->startMovementTest());
    EXPECT_FALSE(controller->isMovementTestMode());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_THAT(calls->calls(), ElementsAre("lease.acquire(HollerboxApp)", "monitor.prepare"));
    EXPECT_TRUE(sleepLease->isActive()); // left for the discard or the next idle transition
    EXPECT_EQ(lastMessage(),
              "Welcome hardware movement test could not start because movement monitoring was unavailable.");
    EXPECT_EQ(delegate->last().statusText, "Idle");
    EXPECT_EQ(delegate->last().detailText,
              "Movement test is unavailable because the motion sensor could not be armed.");
}

TEST_F(MovementTestModeTest, FailedArmGivesBackTheSensorAndTheLease)
{
    movement->armResult = {false, "unavailable"};
    EXPECT_FALSE(controller->startMovementTest());
    EXPECT_THAT(calls->calls(), ElementsAre("lease.acquire(HollerboxApp)", "monitor.prepare", "monitor.arm",
                                            "monitor.disarm", "monitor.release", "lease.release"));
    EXPECT_FALSE(controller->isMovementMonitoringAvailable());
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
}

TEST_F(MovementTestModeTest, DiscardAfterStartLeavesTheStateButLeavesTheMode)
{
    ASSERT_TRUE(controller->startMovementTest());
    movement->pendingEvents.push_back({"Moved."});
    ticks(1);
    ASSERT_EQ(controller->state(), OpenLidAlarmState::triggered);
    calls->clear();
    const auto published = delegate->snapshots.size();
    controller->discardMovementTestPreparation();
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.disarm", "monitor.release", "lease.release"));
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_FALSE(controller->isMovementTestMode());
    EXPECT_EQ(delegate->snapshots.size(), published);

    ticks(1); // a normal tick again: the screen is unlocked
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().detailText, "Screen unlocked. Alarm disarmed.");
}

} // namespace
} // namespace hollerbox::testing
