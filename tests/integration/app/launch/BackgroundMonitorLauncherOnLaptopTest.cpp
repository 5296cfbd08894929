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
#include <csignal>
#include <gmock/gmock.h>

/// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* stream)
{
    *stream << '"' << text.toStdString() << '"';
}

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr const char* kStartLine = "Hollerbox background monitoring started.";
constexpr const char* kTerminationLine = "Received termination signal. Stopping background monitor.";

/// The arguments /proc shows for process `processId`, the program first.
QStringList commandLineOf(pid_t processId)
{
    QFile file{QStringLiteral("/proc/%1/cmdline").arg(processId)};
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList arguments;
    for (const auto& argument : file.readAll().split('\0')) {
        arguments << QString::fromUtf8(argument);
    }
    arguments.removeLast();
    return arguments;
}

/// The real monitor program launched on an emulated laptop whose sink starts muted at 20 %.
class BackgroundMonitorLauncherOnLaptopTest : public ::testing::Test
{
protected:
    static constexpr double initialVolume = 0.2;

    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        EmulatedLaptop::Options options;
        options.sinkVolume = initialVolume;
        options.sinkMuted = true;
        ASSERT_TRUE(m_laptop.start(options)) << m_laptop.error();
    }

    std::unique_ptr<BackgroundMonitorLauncher> makeLauncher()
    {
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(
            BackgroundMonitorLauncher::Options{MonitorProcess::programPath(), logDirectory()});
        launcher->setDiagnosticHandler([this](const std::string& message) { m_messages.push_back(message); });
        return launcher;
    }

    /// Starts `request`'s settings with this process's environment set to the laptop's for the launch; the
    /// monitor's process ID, or none.
    std::optional<pid_t> start(BackgroundMonitorLauncher& launcher,
                               const BackgroundMonitorLaunchRequest& request)
    {
        const ScopedProcessEnvironment environment{
            m_laptop.monitorEnvironment(m_directory.filePath(QStringLiteral("home")))};
        if (!launcher.start(request.armDelaySeconds, request.movementThresholdG, request.alarmVolumeScalar,
                            request.alarmRepeatSeconds, request.alarmSoundSelection)) {
            return std::nullopt;
        }
        m_monitors.add(*launcher.monitorProcessId());
        return launcher.monitorProcessId();
    }

    QString logDirectory() const { return m_directory.filePath(QStringLiteral("logs/background-monitor")); }
    QString latestLog() const
    {
        QFile pointer{logDirectory() + QStringLiteral("/latest-log-path.txt")};
        return pointer.open(QIODevice::ReadOnly) ? QString::fromUtf8(pointer.readAll()) : QString{};
    }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    std::vector<std::string> m_messages;
    // Declared last: the monitors end before the laptop they run on.
    LaunchedMonitors m_monitors{logDirectory()};
};

TEST_F(BackgroundMonitorLauncherOnLaptopTest, RunsWithTheGivenSettingsAndAStopRestoresTheSink)
{
    auto launcher = makeLauncher();
    BackgroundMonitorLaunchRequest request{
        0.3, 0.08, 0.8, 1, AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), {}};
    const auto processId = start(*launcher, request);
    ASSERT_TRUE(processId);
    request.logFilePath = latestLog();
    EXPECT_EQ(commandLineOf(*processId), QStringList{MonitorProcess::programPath()} + request.arguments());
    ASSERT_TRUE(waitForLine(request.logFilePath, "state=armed", 10s));
    EXPECT_EQ(linesOf(request.logFilePath).front(), kStartLine);
    EXPECT_TRUE(waitForLine(request.logFilePath, "threshold 0.0800g.", 1s));

    m_laptop.tilt(true);
    ASSERT_TRUE(waitForLine(request.logFilePath, "state=triggered", 5s));
    ASSERT_TRUE(m_laptop.waitForSink(false, 0.8, 2s)) << "the alarm did not force the sink to 80 %";

    const auto handle = ProcessHandle::open(*processId);
    ASSERT_TRUE(handle);
    launcher->stop("Screen unlocked.");
    EXPECT_TRUE(waitProcessingEvents([&handle] { return !handle->isRunning(); }, 3s));
    EXPECT_EQ(linesOf(request.logFilePath).back(), kTerminationLine);
    EXPECT_TRUE(m_laptop.waitForSink(true, initialVolume, 1s))
        << "the sink's mute and volume were not restored";
    EXPECT_THAT(m_messages, ElementsAre("Background monitoring started.",
                                        "Stopping background monitor: Screen unlocked."));
}

} // namespace
} // namespace hollerbox::testing
