#include "linux/assembly/ProtectionServicesLinux.h"

#include "EventLoopWait.h"
#include "LogindMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"
#include "audio/BuiltInSoundLocator.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using Program = ProtectionServicesLinux::Program;

/// The snapshots of the controller's ticks (with protection off, the only ones that say so).
class TickRecorder final : public OpenLidAlarmControllerDelegate
{
public:
    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        if (snapshot.detailText == "Protection is off. Turn it on to arm on lock.") {
            locked.push_back(snapshot.isScreenLocked);
        }
    }
    std::vector<bool> locked;
};

TEST(ProtectionServicesLinuxTest, EachProgramHasItsOwnLockSourceAndSoundLookup)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start());
    LogindMock logind{buses.systemBusAddress()};
    ASSERT_TRUE(logind.start());
    logind.addCallerSession();
    qputenv("XDG_SESSION_ID", "c1");

    ClockSystem clock;
    MainQueueQt queue;
    ProtectionServicesLinux::Options options;
    options.soundServer = "unix:/nonexistent/hollerbox/native";
    options.executablePath = HOLLERBOX_STAGE_DIR "/bin/hollerbox";
    ProtectionServicesLinux application{Program::application, queue, clock, options};
    options.executablePath = HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor";
    ProtectionServicesLinux monitor{Program::backgroundMonitor, queue, clock, options};

    // The application searches its own resources only; the monitor finds the core bundle first.
    for (const auto sound : BuiltInAlarmSound::allCases()) {
        const auto file = std::string{sound.bundledFileName()} + ".mp3";
        EXPECT_EQ(sound.bundledFileURL(application.sounds()),
                  HOLLERBOX_STAGE_DIR "/share/hollerbox/BuiltInAlarms/" + file);
        EXPECT_EQ(sound.bundledFileURL(monitor.sounds()),
                  HOLLERBOX_STAGE_DIR "/share/hollerbox/Hollerbox_HollerboxCore.bundle/BuiltInAlarms/" +
                      file);
    }

    ProtectionConfiguration configuration;
    configuration.pollIntervalMilliseconds = 20;
    const auto applicationTicks = std::make_shared<TickRecorder>();
    const auto monitorTicks = std::make_shared<TickRecorder>();
    const auto applicationController = application.makeController(configuration);
    const auto monitorController = monitor.makeController(configuration);
    for (const auto& [controller, ticks] : {std::pair{applicationController.get(), applicationTicks},
                                            {monitorController.get(), monitorTicks}}) {
        controller->setDelegate(ticks);
        controller->setProtectionEnabled(false);
        controller->start();
    }
    ASSERT_TRUE(waitProcessingEvents([&] { return applicationTicks->locked.size() >= 3; }));
    EXPECT_FALSE(applicationTicks->locked.back());
    ASSERT_FALSE(monitorTicks->locked.empty());
    EXPECT_EQ(monitorTicks->locked, std::vector<bool>(monitorTicks->locked.size(), true));

    logind.setLockedHint(QStringLiteral("c1"), true);
    EXPECT_TRUE(waitProcessingEvents([&] { return applicationTicks->locked.back(); }));
    logind.setLockedHint(QStringLiteral("c1"), false);
    EXPECT_TRUE(waitProcessingEvents([&] { return !applicationTicks->locked.back(); }));
    applicationController->stop();
    monitorController->stop();
}

} // namespace
} // namespace hollerbox::testing
