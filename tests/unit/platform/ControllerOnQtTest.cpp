#include "CallLog.h"
#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeLockStateMonitor.h"
#include "FakeMovementMonitor.h"
#include "FakePowerAssertionLease.h"
#include "FakeRootDomainReader.h"
#include "QtTestApplication.h"
#include "engine/OpenLidAlarmController.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace hollerbox::testing {
namespace {

class StateRecorder final : public OpenLidAlarmControllerDelegate
{
public:
    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        if (states.empty() || states.back() != snapshot.state) {
            states.push_back(snapshot.state);
        }
        last = snapshot;
        ++count;
    }
    std::vector<OpenLidAlarmState> states;
    OpenLidAlarmSnapshot last;
    int count = 0;
};

TEST(ControllerOnQtTest, RunsOnTheRealEventLoopForASecond)
{
    auto& application = ensureCoreApplication();
    ClockSystem clock;
    MainQueueQt queue;
    auto calls = std::make_shared<CallLog>();
    auto lock = std::make_unique<FakeLockStateMonitor>(calls);
    auto monitor = std::make_unique<FakeMovementMonitor>(calls);
    lock->lockedAfterRefresh = true;
    auto* rawLock = lock.get();
    auto* rawMonitor = monitor.get();

    ProtectionConfiguration configuration;
    configuration.pollIntervalMilliseconds = 50;
    configuration.armDelaySeconds = 0.3;
    OpenLidAlarmController controller{configuration,
                                      std::make_unique<FakeRootDomainReader>(),
                                      std::move(lock),
                                      std::make_unique<FakeAlarmPlayer>(calls, clock),
                                      std::make_unique<FakePowerAssertionLease>(calls),
                                      std::move(monitor),
                                      std::make_unique<FakeAudioReadinessProbe>(),
                                      clock,
                                      queue};
    auto recorder = std::make_shared<StateRecorder>();
    controller.setDelegate(recorder);
    controller.start();

    std::thread reporter;
    QTimer::singleShot(600, &application, [&] {
        rawMonitor->pendingEvents.push_back({"Moved on the real loop."});
        reporter = std::thread{[rawLock] { rawLock->report("Reported from a worker thread."); }};
    });
    QTimer::singleShot(1000, &application, &QCoreApplication::quit);
    QTimer::singleShot(5000, &application, [] { ADD_FAILURE() << "event loop did not stop"; });
    application.exec();
    reporter.join();
    controller.stop();

    EXPECT_EQ(recorder->states, (std::vector{OpenLidAlarmState::idle, OpenLidAlarmState::pendingArm,
                                             OpenLidAlarmState::armed, OpenLidAlarmState::triggered}));
    EXPECT_GE(rawLock->refreshCount, 8); // about 20 ticks of 50 ms in one second, fewer on a loaded machine
    EXPECT_LE(rawLock->refreshCount, 21);
    const auto& lines = controller.diagnosticLines();
    EXPECT_NE(
        std::find_if(lines.begin(), lines.end(),
                     [](const auto& line) { return line.ends_with("  Reported from a worker thread."); }),
        lines.end());
    EXPECT_TRUE(lines.back().ends_with("  Controller stopped."));
}

} // namespace
} // namespace hollerbox::testing
