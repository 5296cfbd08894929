#include "ControllerFixture.h"
#include "engine/HollerboxDiagnostics.h"
#include "ports/SystemLog.h"

#include <functional>
#include <gmock/gmock.h>
#include <thread>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class OpenLidAlarmControllerTest : public ControllerFixture
{
protected:
    void SetUp() override { build(); }
};

TEST_F(OpenLidAlarmControllerTest, StartPublishesWithoutTickingThenTicksAndTheFirstLockedTickPrepares)
{
    controller->start();
    EXPECT_THAT(calls->calls(), ElementsAre("lock.start"));
    EXPECT_THAT(messages(),
                ElementsAre("Controller started. Waiting for open-lid locked-state arming path."));
    ASSERT_EQ(delegate->snapshots.size(), 1U);
    EXPECT_EQ(delegate->last().statusText, "Monitoring");
    EXPECT_EQ(delegate->last().detailText, "Waiting for the Mac to stay open and become locked.");
    EXPECT_EQ(lock->refreshCount, 0);

    queue.advanceBy(std::chrono::milliseconds{249});
    EXPECT_EQ(lock->refreshCount, 0);
    queue.advanceBy(std::chrono::milliseconds{1});
    EXPECT_EQ(lock->refreshCount, 1);
    EXPECT_EQ(delegate->last().statusText, "Idle");
    EXPECT_EQ(delegate->last().detailText, "Keep the lid open and lock the screen to arm.");
    ticks(4);
    EXPECT_EQ(lock->refreshCount, 5);

    movement->prepareDuration = std::chrono::microseconds{37'900};
    calls->clear();
    lock->lockedAfterRefresh = true;
    ticks(1);

    EXPECT_THAT(calls->calls(), ElementsAre("lease.acquire(HollerboxApp)", "monitor.prepare",
                                            "monitor.disarm", "player.stop"));
    const auto snapshot = delegate->last();
    EXPECT_EQ(snapshot.state, OpenLidAlarmState::pendingArm);
    EXPECT_TRUE(snapshot.isScreenLocked);
    EXPECT_EQ(snapshot.statusText, "Pending Arm");
    EXPECT_EQ(snapshot.detailText, "Screen locked. Waiting for the arm delay to finish.");
    ASSERT_EQ(snapshot.diagnosticLines.size(), 4U);
    EXPECT_THAT(
        messages(),
        ElementsAre("Controller started. Waiting for open-lid locked-state arming path.",
                    "Lazy movement monitor prepare result: true in 37ms.",
                    "Detected screen lock. Entering pendingArm.",
                    "State changed to pendingArm. Screen locked. Waiting for the arm delay to finish."));
    EXPECT_EQ(snapshot.diagnosticLines, controller->diagnosticLines());
}

TEST_F(OpenLidAlarmControllerTest, FailedPrepareStillEntersPendingArmAndLaterArmsUnavailable)
{
    movement->prepareResult = false;
    movement->armResult = {false, "No accelerometer was found."};
    startLocked();
    EXPECT_EQ(messages()[1], "Lazy movement monitor prepare result: false in 0ms.");
    EXPECT_EQ(controller->state(), OpenLidAlarmState::pendingArm);
    runUntilArmed();
    EXPECT_EQ(delegate->last().detailText, "No accelerometer was found.");
    ticks(400); // without a fallback delay nothing ever fires
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    EXPECT_TRUE(alarm->playbacks.empty());
    EXPECT_FALSE(delegate->last().secondsUntilNextStage.has_value());
    EXPECT_EQ(
        delegate->last().detailText,
        "Protection is active, but no movement source is available yet. No automatic trigger will fire.");
}

TEST_F(OpenLidAlarmControllerTest, CountsDownTheArmDelayAndArmsAtTheFirstTickAfterIt)
{
    startLocked();
    const auto enteredPending = clock.now();
    ticks(1);
    ASSERT_TRUE(delegate->last().secondsUntilNextStage.has_value());
    EXPECT_DOUBLE_EQ(*delegate->last().secondsUntilNextStage, 1.75);
    EXPECT_EQ(delegate->last().detailText, "Hold the locked state steady while the alarm arms.");

    ticks(6);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::pendingArm);
    EXPECT_DOUBLE_EQ(*delegate->last().secondsUntilNextStage, 0.25);
    EXPECT_THAT(movement->armedThresholds, IsEmpty());

    calls->clear();
    ticks(1);
    EXPECT_EQ(secondsBetween(enteredPending, clock.now()), 2.0);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    EXPECT_THAT(movement->armedThresholds, ElementsAre(0.05));
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.arm", "player.stop"));
    const auto lines = messages();
    EXPECT_EQ(lines[lines.size() - 2],
              "Arming completed. Movement monitor available=true. Monitoring accelerometer.");
    EXPECT_EQ(lines.back(), "State changed to armed. Monitoring accelerometer.");
    EXPECT_EQ(delegate->last().statusText, "Armed");
    EXPECT_EQ(delegate->last().detailText, "Monitoring accelerometer.");
    EXPECT_FALSE(delegate->last().secondsUntilNextStage.has_value());

    ticks(1);
    EXPECT_EQ(delegate->last().detailText, "Protection is active. Move the locked Mac to trigger the alarm.");
    EXPECT_EQ(movement->detectCount, 1);
}

TEST_F(OpenLidAlarmControllerTest, UnlockingReturnsToIdleFromEveryStateAndGivesEverythingBack)
{
    struct Case
    {
        OpenLidAlarmState from;
        std::string detail;
    };
    for (const auto& [from, detail] :
         {Case{OpenLidAlarmState::pendingArm, "Screen unlocked before arming completed."},
          Case{OpenLidAlarmState::armed, "Screen unlocked. Returning to idle."},
          Case{OpenLidAlarmState::triggered, "Screen unlocked. Alarm disarmed."}}) {
        SCOPED_TRACE(std::string{rawValue(from)});
        build();
        startLocked();
        if (from != OpenLidAlarmState::pendingArm) {
            runUntilArmed();
        }
        if (from == OpenLidAlarmState::triggered) {
            movement->pendingEvents.push_back({"Movement detected."});
            ticks(1);
        }
        ASSERT_EQ(controller->state(), from);
        EXPECT_TRUE(sleepLease->isActive());

        calls->clear();
        lock->lockedAfterRefresh = false;
        ticks(1);
        EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
        EXPECT_THAT(calls->calls(),
                    ElementsAre("monitor.disarm", "monitor.release", "lease.release", "player.stop"));
        EXPECT_FALSE(sleepLease->isActive());
        EXPECT_FALSE(alarm->isPlaying());
        EXPECT_EQ(delegate->last().statusText, "Idle");
        EXPECT_EQ(delegate->last().detailText, detail);
        EXPECT_EQ(lastMessage(), "State changed to idle. " + detail);
    }
}

TEST_F(OpenLidAlarmControllerTest, PreparesTheSoundOnArmingAndReleasesItOnEveryWayBackToIdle)
{
    struct Case
    {
        std::string name;
        bool trigger;
        std::function<void()> leave;
    };
    const auto unlock = [this] {
        lock->lockedAfterRefresh = false;
        ticks(1);
    };
    const std::vector<Case> cases{
        {"unlock while armed", false, unlock},
        {"unlock while triggered", true, unlock},
        {"protection off", true, [this] { controller->setProtectionEnabled(false); }},
        {"manual reset", false, [this] { controller->resetToIdle(); }},
        {"controller stop", true, [this] { controller->stop(); }},
        {"movement test finished", true, [this] { controller->stopMovementTest(); }}};
    for (const auto& [name, trigger, leave] : cases) {
        SCOPED_TRACE(name);
        ProtectionConfiguration configuration;
        configuration.alarmSoundSelection = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
        build(configuration);
        if (name.starts_with("movement test")) {
            controller->start();
            ASSERT_TRUE(controller->startMovementTest());
        } else {
            startLocked();
            ticks(1);
            EXPECT_THAT(alarm->readiness, IsEmpty()); // not while the arm delay runs
            runUntilArmed();
        }
        EXPECT_THAT(alarm->readiness, ElementsAre("prepare Police Alarm"));
        if (trigger) {
            movement->pendingEvents.push_back({"Moved."});
            ticks(1);
            ASSERT_EQ(controller->state(), OpenLidAlarmState::triggered);
            EXPECT_THAT(alarm->readiness, ElementsAre("prepare Police Alarm"));
        }
        leave();
        EXPECT_NE(controller->state(), OpenLidAlarmState::armed);
        EXPECT_THAT(alarm->readiness, ElementsAre("prepare Police Alarm", "release"));
    }
}

TEST_F(OpenLidAlarmControllerTest, ASoundChosenWhileArmedOrSoundingIsPreparedInItsPlace)
{
    auto configuration = ProtectionConfiguration{};
    const auto choose = [&](BuiltInAlarmSound::Value sound) {
        configuration.alarmSoundSelection = AlarmSoundSelection::builtIn(sound);
        controller->updateConfiguration(configuration);
    };
    choose(BuiltInAlarmSound::policeAlarm); // idle: nothing to ready
    startLocked();
    runUntilArmed();
    choose(BuiltInAlarmSound::whatAreYouDoing);
    movement->pendingEvents.push_back({"Moved."});
    ticks(1);
    choose(BuiltInAlarmSound::handsOff);
    EXPECT_THAT(alarm->readiness,
                ElementsAre("prepare Police Alarm", "prepare What Are You Doing?", "prepare Hands Off!"));
    ASSERT_EQ(alarm->playbacks.size(), 1U);
    EXPECT_EQ(alarm->playbacks[0].selection,
              AlarmSoundSelection::builtIn(BuiltInAlarmSound::whatAreYouDoing));
}

TEST_F(OpenLidAlarmControllerTest, MovementTriggersWithForcedPlaybackAtTheConfiguredVolume)
{
    ProtectionConfiguration configuration;
    configuration.alarmVolumeScalar = 0.8F;
    configuration.alarmSoundSelection = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
    build(configuration);
    startLocked();
    runUntilArmed();
    alarm->playing = true; // a forced playback starts even while the player still reports playing
    movement->pendingEvents.push_back({"Movement delta 0.0800g exceeded threshold."});
    calls->clear();
    ticks(1);

    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_THAT(calls->calls(), ElementsAre("monitor.disarm", "player.play"));
    ASSERT_EQ(alarm->playbacks.size(), 1U);
    const auto& playback = alarm->playbacks.front();
    EXPECT_EQ(playback.selection, configuration.alarmSoundSelection);
    EXPECT_EQ(playback.count, 3);
    EXPECT_EQ(playback.intervalMilliseconds, 180U);
    EXPECT_EQ(playback.overrideVolumeScalar, 0.8F);
    EXPECT_THAT(lastMessages(3),
                ElementsAre("Movement trigger accepted. Movement delta 0.0800g exceeded threshold.",
                            "State changed to triggered. Movement delta 0.0800g exceeded threshold.",
                            "Alarm playback fired."));
    EXPECT_EQ(delegate->last().statusText, "Alarm Triggered");
    EXPECT_EQ(delegate->last().detailText, "Movement delta 0.0800g exceeded threshold.");
}

TEST_F(OpenLidAlarmControllerTest, RepeatsOnlyAfterTheIntervalAndOnlyOnceThePlayerHasFinished)
{
    startLocked();
    runUntilArmed();
    movement->pendingEvents.push_back({"Moved."});
    ticks(1);
    ASSERT_EQ(alarm->playbacks.size(), 1U);
    const auto firstStart = alarm->playbacks[0].startedAt;

    ticks(12); // 3 s, but the player still plays
    EXPECT_EQ(alarm->playbacks.size(), 1U);
    EXPECT_EQ(delegate->last().detailText, "Alarm is active. Unlock the Mac to disarm.");

    alarm->playing = false;
    ticks(1);
    ASSERT_EQ(alarm->playbacks.size(), 2U);
    EXPECT_EQ(alarm->playbacks[1].overrideVolumeScalar, 0.65F);

    alarm->playing = false; // finished early: the next start still waits for the 2 s interval
    ticks(7);
    EXPECT_EQ(alarm->playbacks.size(), 2U);
    ticks(1);
    ASSERT_EQ(alarm->playbacks.size(), 3U);
    EXPECT_EQ(secondsBetween(alarm->playbacks[1].startedAt, alarm->playbacks[2].startedAt), 2.0);
    EXPECT_GT(secondsBetween(firstStart, alarm->playbacks[1].startedAt), 3.0);
}

TEST_F(OpenLidAlarmControllerTest, FallbackTriggerCountsDownAndFiresWithoutAMovementMonitor)
{
    ProtectionConfiguration configuration;
    configuration.simulatedTriggerDelaySeconds = 5;
    build(configuration);
    movement->armResult = {false, "No SPU accelerometer candidate was found."};
    startLocked();
    runUntilArmed();
    const auto armedAt = clock.now();

    std::vector<double> countdown;
    while (controller->state() == OpenLidAlarmState::armed) {
        ticks(1);
        if (delegate->last().secondsUntilNextStage) {
            countdown.push_back(*delegate->last().secondsUntilNextStage);
            EXPECT_EQ(delegate->last().detailText, "Protection is active. Waiting on fallback trigger "
                                                   "because movement monitoring is unavailable.");
        }
    }
    EXPECT_EQ(secondsBetween(armedAt, clock.now()), 5.0);
    ASSERT_EQ(countdown.size(), 19U);
    EXPECT_DOUBLE_EQ(countdown.front(), 4.75);
    EXPECT_DOUBLE_EQ(countdown.back(), 0.25);
    EXPECT_TRUE(std::is_sorted(countdown.rbegin(), countdown.rend()));
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_EQ(delegate->last().detailText,
              "Fallback trigger fired because movement monitoring was unavailable.");
    EXPECT_EQ(messages()[messages().size() - 3],
              "Fallback trigger fired because no movement monitor was available.");
    EXPECT_EQ(alarm->playbacks.size(), 1U);
}

TEST_F(OpenLidAlarmControllerTest, ObservingOnlyNeverPollsTheMonitorNorHoldsASoundUntilSwitchedBack)
{
    const auto linesBefore = messages().size();
    controller->setAutomaticAlarmTriggeringEnabled(false);
    controller->setAutomaticAlarmTriggeringEnabled(false);
    EXPECT_EQ(messages().size(), linesBefore + 1);
    EXPECT_EQ(lastMessage(), "Automatic alarm triggering toggled to disabled.");
    EXPECT_FALSE(controller->isAutomaticAlarmTriggeringEnabled());
    startLocked();
    runUntilArmed();
    EXPECT_THAT(alarm->readiness, IsEmpty());
    controller->setAutomaticAlarmTriggeringEnabled(true);
    controller->setAutomaticAlarmTriggeringEnabled(false);
    EXPECT_THAT(alarm->readiness, ElementsAre("prepare Hands Off!", "release"));

    const auto snapshotsBefore = delegate->snapshots.size();
    movement->pendingEvents.push_back({"Moved."});
    const int polls = movement->detectCount;
    ticks(20);
    EXPECT_EQ(movement->detectCount, polls);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    EXPECT_EQ(delegate->snapshots.size(), snapshotsBefore + 20);
    EXPECT_EQ(delegate->last().detailText, "Background monitoring is active. This window is observing only.");

    controller->setAutomaticAlarmTriggeringEnabled(true);
    EXPECT_EQ(lastMessage(), "Automatic alarm triggering toggled to enabled.");
    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
}

TEST_F(OpenLidAlarmControllerTest, ProtectionSwitchIgnoresRepeatsAndDisablingStopsArming)
{
    controller->start();
    const auto lines = messages().size();
    const auto published = delegate->snapshots.size();
    controller->setProtectionEnabled(true);
    EXPECT_EQ(messages().size(), lines);
    EXPECT_EQ(delegate->snapshots.size(), published);

    calls->clear();
    controller->setProtectionEnabled(false);
    EXPECT_THAT(calls->calls(),
                ElementsAre("monitor.disarm", "monitor.release", "lease.release", "player.stop"));
    EXPECT_THAT(
        lastMessages(2),
        ElementsAre("Protection mode toggled to disabled.",
                    "State changed to idle. Protection is off. Locking the screen will not arm the alarm."));
    EXPECT_EQ(delegate->last().statusText, "Protection Disabled");

    lock->lockedAfterRefresh = true;
    ticks(8);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().detailText, "Protection is off. Turn it on to arm on lock.");
    EXPECT_EQ(sleepLease->grantedCount, 0);

    controller->setProtectionEnabled(true);
    EXPECT_EQ(delegate->last().statusText, "Protection Enabled");
    EXPECT_EQ(delegate->last().detailText, "Protection is on. Keep the lid open and lock the screen to arm.");
    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::pendingArm);
}

TEST_F(OpenLidAlarmControllerTest, ManualTriggerWorksWhileProtectionIsOffUntilTheNextTick)
{
    controller->start();
    controller->setProtectionEnabled(false);
    controller->triggerAlarmNow();
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
    EXPECT_EQ(alarm->playbacks.size(), 1U);
    EXPECT_EQ(delegate->last().detailText, "Manual alarm trigger fired.");
    EXPECT_EQ(messages()[messages().size() - 3], "Manual alarm trigger requested.");

    ticks(1);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle);
    EXPECT_EQ(delegate->last().statusText, "Protection Disabled");
    EXPECT_EQ(delegate->last().detailText, "Protection was turned off while the alarm was active.");
    EXPECT_FALSE(alarm->isPlaying());
}

TEST_F(OpenLidAlarmControllerTest, ResetWhileIdleStillRecordsReleasesAndPublishes)
{
    controller->start();
    calls->clear();
    const auto published = delegate->snapshots.size();
    controller->resetToIdle();
    EXPECT_THAT(calls->calls(),
                ElementsAre("monitor.disarm", "monitor.release", "lease.release", "player.stop"));
    EXPECT_THAT(lastMessages(2),
                ElementsAre("Manual reset requested.",
                            "State changed to idle. Manual reset returned protection to idle."));
    EXPECT_EQ(delegate->snapshots.size(), published + 1);
}

TEST_F(OpenLidAlarmControllerTest, DiagnosticBufferKeepsTheNewestForty)
{
    for (int i = 0; i < 45; ++i) {
        lock->report("message " + std::to_string(i));
    }
    queue.runPending();
    const auto lines = messages();
    ASSERT_EQ(lines.size(), 40U);
    EXPECT_EQ(lines.front(), "message 5");
    EXPECT_EQ(lines.back(), "message 44");
}

TEST_F(OpenLidAlarmControllerTest, ConfigurationLineUsesItsNumberFormats)
{
    ProtectionConfiguration configuration;
    configuration.armDelaySeconds = static_cast<double>(0.65F);
    configuration.movementTriggerThresholdG = 0.03125;
    configuration.alarmVolumeScalar = 0.656F;
    configuration.alarmRepeatIntervalSeconds = 2;
    configuration.alarmSoundSelection = AlarmSoundSelection::customFile("/home/u/siren.wav", "Siren");
    controller->updateConfiguration(configuration);
    EXPECT_EQ(lastMessage(),
              "Configuration updated: armDelay=0.6499999761581421s threshold=0.0312g volume=0.66 "
              "repeat=2.0s sound=Siren.");
    EXPECT_EQ(controller->configuration(), configuration);
    EXPECT_EQ(delegate->last().statusText, "Monitoring");
    EXPECT_EQ(delegate->last().detailText, "Protection settings updated.");

    configuration.armDelaySeconds = 10;
    configuration.alarmRepeatIntervalSeconds = 0.1;
    configuration.movementTriggerThresholdG = 0.05;
    configuration.alarmVolumeScalar = 1;
    configuration.alarmSoundSelection = AlarmSoundSelection::defaultSelection();
    controller->triggerAlarmNow();
    controller->updateConfiguration(configuration);
    EXPECT_EQ(
        lastMessage(),
        "Configuration updated: armDelay=10.0s threshold=0.0500g volume=1.00 repeat=0.1s sound=Hands Off!.");
    EXPECT_EQ(delegate->last().statusText, "Alarm Triggered");
    EXPECT_EQ(delegate->last().detailText, "Alarm settings updated while alarm remained active.");
}

TEST_F(OpenLidAlarmControllerTest, DiagnosticFromAnotherThreadLandsAfterTheRunningTick)
{
    controller->start();
    lock->lockedAfterRefresh = true;
    lock->onRefresh = [this] {
        std::thread reporter{[this] { lock->report("Lock source noticed something."); }};
        reporter.join();
    };
    ticks(1);
    const auto lines = messages();
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[3], "State changed to pendingArm. Screen locked. Waiting for the arm delay to finish.");
    EXPECT_EQ(lines[4], "Lock source noticed something.");
    // The snapshot published inside the tick does not carry it yet.
    EXPECT_EQ(delegate->last().diagnosticLines.size(), 4U);
}

TEST_F(OpenLidAlarmControllerTest, StopGivesEverythingBackWithoutPublishing)
{
    startLocked();
    runUntilArmed();
    calls->clear();
    const auto published = delegate->snapshots.size();
    controller->stop();
    EXPECT_THAT(calls->calls(), ElementsAre("player.stop", "monitor.disarm", "monitor.release", "lock.stop",
                                            "lease.release"));
    EXPECT_EQ(lastMessage(), "Controller stopped.");
    EXPECT_EQ(controller->state(), OpenLidAlarmState::armed);
    EXPECT_EQ(delegate->snapshots.size(), published);
    EXPECT_EQ(queue.activeTaskCount(), 0U);
    ticks(8);
    EXPECT_EQ(delegate->snapshots.size(), published);
}

TEST_F(OpenLidAlarmControllerTest, SnapshotCarriesWhatItsSourcesSayAtPublication)
{
    controller->start();
    lid->clamshellClosed = std::nullopt;
    movement->values = {{3, 0xFF00, 3, 120, 100, 118}};
    readiness->readiness.level = AudioReadinessLevel::warning;
    ticks(1);
    EXPECT_FALSE(delegate->last().isLidClosed);
    EXPECT_EQ(delegate->last().liveMovementValues, movement->values);
    EXPECT_EQ(delegate->last().audioReadiness.level, AudioReadinessLevel::warning);
    EXPECT_EQ(delegate->last().lastUpdatedAt, clock.now());
    lid->clamshellClosed = true;
    ticks(1);
    EXPECT_TRUE(delegate->last().isLidClosed);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::idle); // the lid never drives the main state machine
}

TEST_F(OpenLidAlarmControllerTest, PublishesNothingOnceTheDelegateIsGone)
{
    controller->start();
    const int readinessChecks = readiness->callCount;
    delegate.reset();
    ticks(4);
    controller->triggerAlarmNow();
    EXPECT_EQ(readiness->callCount, readinessChecks);
    EXPECT_EQ(controller->state(), OpenLidAlarmState::triggered);
}

TEST_F(OpenLidAlarmControllerTest, DiagnosticPostedBeforeDestructionIsDropped)
{
    class CollectingLog final : public SystemLog
    {
    public:
        void info(std::string_view, std::string_view message) override { entries.emplace_back(message); }
        std::vector<std::string> entries;
    };
    auto log = std::make_shared<CollectingLog>();
    HollerboxDiagnostics::setSystemLog(log);
    lock->report("late message");
    controller.reset();
    queue.runPending();
    HollerboxDiagnostics::setSystemLog(nullptr);
    for (const auto& entry : log->entries) {
        EXPECT_EQ(entry.find("late message"), std::string::npos);
    }
}

} // namespace
} // namespace hollerbox::testing
