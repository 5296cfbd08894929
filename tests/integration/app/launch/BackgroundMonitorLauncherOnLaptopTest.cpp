#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "MonitorProcess.h"
#include "QtTestApplication.h"
#include "ScopedProcessEnvironment.h"
#include "model/launch/BackgroundMonitorLaunchRequest.h"
#include "model/launch/BackgroundMonitorLauncher.h"

#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>

/// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* stream)
{
    *stream << '"' << text.toStdString() << '"';
}

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The real monitor program launched on an emulated laptop whose sink starts muted at 20 %.
class BackgroundMonitorLauncherOnLaptopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        EmulatedLaptop::Options options;
        options.sinkVolume = 0.2;
        options.sinkMuted = true;
        ASSERT_TRUE(m_laptop.start(options)) << m_laptop.error();
    }

    QTemporaryDir m_directory;
    QString m_logDirectory = m_directory.filePath(QStringLiteral("logs/background-monitor"));
    EmulatedLaptop m_laptop;
    // Declared last: the monitors end before the laptop they run on.
    LaunchedMonitors m_monitors{m_logDirectory};
};

TEST_F(BackgroundMonitorLauncherOnLaptopTest, RunsWithTheGivenSettingsAndAStopRestoresTheSink)
{
    std::vector<std::string> messages;
    BackgroundMonitorLauncher launcher{{MonitorProcess::programPath(), m_logDirectory}};
    launcher.setDiagnosticHandler([&messages](const std::string& message) { messages.push_back(message); });
    BackgroundMonitorLaunchRequest request{
        0.3, 0.08, 0.8, 1, AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), {}};
    {
        const ScopedProcessEnvironment environment{m_laptop.monitorEnvironment(m_directory.filePath("home"))};
        ASSERT_TRUE(launcher.start(request.armDelaySeconds, request.movementThresholdG,
                                   request.alarmVolumeScalar, request.alarmRepeatSeconds,
                                   request.alarmSoundSelection));
    }
    const pid_t processId = *launcher.monitorProcessId();
    m_monitors.add(processId);
    QFile pointer{m_logDirectory + QStringLiteral("/latest-log-path.txt")};
    ASSERT_TRUE(pointer.open(QIODevice::ReadOnly));
    request.logFilePath = QString::fromUtf8(pointer.readAll());

    // The child may still be between fork and exec, when /proc shows no arguments yet.
    QStringList arguments;
    waitProcessingEvents(
        [&] {
            arguments = commandLineOf(processId);
            return arguments.value(0) == MonitorProcess::programPath();
        },
        2s);
    EXPECT_EQ(arguments, QStringList{MonitorProcess::programPath()} + request.arguments());
    ASSERT_TRUE(waitForLine(request.logFilePath, "state=armed", 10s));
    EXPECT_EQ(linesOf(request.logFilePath).front(), "Hollerbox background monitoring started.");
    EXPECT_TRUE(waitForLine(request.logFilePath, "threshold 0.0800g.", 1s));

    m_laptop.tilt(true);
    ASSERT_TRUE(waitForLine(request.logFilePath, "state=triggered", 5s));
    ASSERT_TRUE(m_laptop.waitForSink(false, 0.8, 2s)) << "the alarm did not force the sink to 80 %";

    const auto handle = ProcessHandle::open(processId);
    ASSERT_TRUE(handle);
    launcher.stop("Screen unlocked.");
    EXPECT_TRUE(waitProcessingEvents([&handle] { return !handle->isRunning(); }, 3s));
    EXPECT_EQ(linesOf(request.logFilePath).back(),
              "Received termination signal. Stopping background monitor.");
    EXPECT_TRUE(m_laptop.waitForSink(true, 0.2, 1s)) << "the sink's mute and volume were not restored";
    EXPECT_THAT(messages, ::testing::ElementsAre("Background monitoring started.",
                                                 "Stopping background monitor: Screen unlocked."));
}

} // namespace
} // namespace hollerbox::testing
