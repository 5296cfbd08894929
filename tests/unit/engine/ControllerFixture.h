#pragma once

#include "CallLog.h"
#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeLockStateMonitor.h"
#include "FakeMovementMonitor.h"
#include "FakePowerAssertionLease.h"
#include "FakeRootDomainReader.h"
#include "VirtualClock.h"
#include "VirtualMainQueue.h"
#include "engine/OpenLidAlarmController.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {

/// Records every snapshot it receives.
class RecordingDelegate final : public OpenLidAlarmControllerDelegate
{
public:
    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        snapshots.push_back(snapshot);
    }
    const OpenLidAlarmSnapshot& last() const { return snapshots.back(); }

    std::vector<OpenLidAlarmSnapshot> snapshots;
};

/// A controller wired to fakes in virtual time, with 250 ms ticks.
class ControllerFixture : public ::testing::Test
{
protected:
    static constexpr std::chrono::milliseconds tick{250};

    /// Builds the controller, without the alarm hold lease when `withAlarmHold` is false.
    void build(ProtectionConfiguration configuration = {}, bool withAlarmHold = true)
    {
        auto lockMonitor = std::make_unique<FakeLockStateMonitor>(calls);
        auto reader = std::make_unique<FakeRootDomainReader>();
        auto player = std::make_unique<FakeAlarmPlayer>(calls, clock);
        auto lease = std::make_unique<FakePowerAssertionLease>(calls);
        auto hold = std::make_unique<FakePowerAssertionLease>(holdCalls, "hold");
        auto monitor = std::make_unique<FakeMovementMonitor>(calls, &clock);
        auto probe = std::make_unique<FakeAudioReadinessProbe>();
        lock = lockMonitor.get();
        lid = reader.get();
        alarm = player.get();
        sleepLease = lease.get();
        alarmHold = withAlarmHold ? hold.get() : nullptr;
        movement = monitor.get();
        readiness = probe.get();
        controller = std::make_unique<OpenLidAlarmController>(
            configuration, std::move(reader), std::move(lockMonitor), std::move(player), std::move(lease),
            std::move(monitor), std::move(probe), clock, queue, withAlarmHold ? std::move(hold) : nullptr);
        controller->setDelegate(delegate);
    }

    void ticks(int count) { queue.advanceBy(std::chrono::microseconds{tick} * count); }

    /// Starts the controller, locks the screen and runs the first tick, which enters pendingArm.
    void startLocked()
    {
        controller->start();
        lock->lockedAfterRefresh = true;
        ticks(1);
    }

    /// Runs ticks until the controller is armed (at most 100).
    void runUntilArmed()
    {
        for (int i = 0; i < 100 && controller->state() != OpenLidAlarmState::armed; ++i) {
            ticks(1);
        }
        ASSERT_EQ(controller->state(), OpenLidAlarmState::armed);
    }

    /// The messages of the recorded diagnostic lines, without their time stamps.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> result;
        for (const auto& line : controller->diagnosticLines()) {
            result.push_back(line.substr(line.find("  ") + 2));
        }
        return result;
    }

    std::string lastMessage() const { return messages().back(); }

    std::vector<std::string> lastMessages(std::size_t count) const
    {
        const auto all = messages();
        return {all.end() - static_cast<std::ptrdiff_t>(std::min(count, all.size())), all.end()};
    }

    VirtualClock clock;
    VirtualMainQueue queue{clock};
    std::shared_ptr<CallLog> calls = std::make_shared<CallLog>();
    /// The alarm hold lease's calls; a test that points it at `calls` before `build` sees them in order.
    std::shared_ptr<CallLog> holdCalls = std::make_shared<CallLog>();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    FakeLockStateMonitor* lock = nullptr;
    FakeRootDomainReader* lid = nullptr;
    FakeAlarmPlayer* alarm = nullptr;
    FakePowerAssertionLease* sleepLease = nullptr;
    FakePowerAssertionLease* alarmHold = nullptr;
    FakeMovementMonitor* movement = nullptr;
    FakeAudioReadinessProbe* readiness = nullptr;
    std::unique_ptr<OpenLidAlarmController> controller;
};

} // namespace hollerbox::testing
