#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "QtTestApplication.h"
#include "model/launch/BackgroundMonitorLaunchRequest.h"
#include "model/launch/BackgroundMonitorLauncher.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>

/// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* stream)
{
    *stream << '"' << text.toStdString() << '"';
}

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr const char* kStarted = "Background monitoring started.";
constexpr const char* kStopping = "Stopping background monitor: Screen unlocked.";

/// Fields 3 onwards of /proc/<pid>/stat: state, parent, process group, session, ...
QStringList statFieldsOf(pid_t processId)
{
    QFile file{QStringLiteral("/proc/%1/stat").arg(processId)};
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString stat = QString::fromUtf8(file.readAll());
    return stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
}

/// Whether the "SigBlk:" or "SigIgn:" line `line` names none of the signals 1 to 31. (The C library's
/// posix_spawn leaves its own two internal signals, 32 and 33, ignored.)
bool namesNoStandardSignal(const QString& line)
{
    bool valid = false;
    const auto mask = line.section(QLatin1Char('\t'), 1).toULongLong(&valid, 16);
    return valid && (mask & 0x7fffffffULL) == 0;
}

/// The stand-in monitor launched by launchers that tests make, in a directory of the test's own.
class BackgroundMonitorLauncherWithStandInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(QDir{}.mkpath(m_directory.filePath("bin")));
        m_executable = installStandIn("bin/HollerboxBackgroundMonitor");
        ASSERT_FALSE(m_executable.isEmpty());
    }

    /// A copy of the stand-in at `relativePath`, replacing any file there; empty on failure.
    QString installStandIn(const QString& relativePath)
    {
        const QString path = m_directory.filePath(relativePath);
        const QString staged = path + ".new";
        if (!QFile::copy(HOLLERBOX_MONITOR_STAND_IN, staged) ||
            ::rename(qPrintable(staged), qPrintable(path)) != 0) {
            return {};
        }
        return path;
    }

    QString logDirectory() const { return m_directory.filePath("logs/background-monitor"); }

    std::unique_ptr<BackgroundMonitorLauncher> makeLauncher(const QString& executable,
                                                            const QString& logDirectory)
    {
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(
            BackgroundMonitorLauncher::Options{executable, logDirectory});
        launcher->setDiagnosticHandler([this](const std::string& message) { m_messages.push_back(message); });
        return launcher;
    }
    std::unique_ptr<BackgroundMonitorLauncher> makeLauncher()
    {
        return makeLauncher(m_executable, logDirectory());
    }

    /// Starts with the default settings; the process ID of the monitor running afterwards, or none.
    std::optional<pid_t> start(BackgroundMonitorLauncher& launcher)
    {
        if (!launcher.start(2, 0.05, double{0.65F}, 2, AlarmSoundSelection::defaultSelection()) ||
            !launcher.monitorProcessId()) {
            return std::nullopt;
        }
        m_monitors.add(*launcher.monitorProcessId());
        return launcher.monitorProcessId();
    }

    /// The monitor logs in `directory` (of the launcher's own naming).
    static QStringList logFilesIn(const QString& directory)
    {
        return QDir{directory}.entryList({"open-lid-bg-*.log"}, QDir::Files, QDir::Name);
    }

    static QString latestLogPointerIn(const QString& directory)
    {
        QFile file{directory + "/latest-log-path.txt"};
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
    }

    QTemporaryDir m_directory;
    QString m_executable;
    std::vector<std::string> m_messages;
    LaunchedMonitors m_monitors{logDirectory()};
};

TEST_F(BackgroundMonitorLauncherWithStandInTest, StartLaunchesOneMonitorWithExactArgumentsAndPointsToItsLog)
{
    auto launcher = makeLauncher();
    const auto processId = start(*launcher);
    ASSERT_TRUE(processId);
    const auto logFiles = logFilesIn(logDirectory());
    ASSERT_EQ(logFiles.size(), 1);
    EXPECT_TRUE(QRegularExpression{R"(^open-lid-bg-\d{8}-\d{6}\.log$)"}.match(logFiles.front()).hasMatch());
    const QString logFile = logDirectory() + "/" + logFiles.front();
    EXPECT_EQ(latestLogPointerIn(logDirectory()), logFile)
        << "the pointer must hold the path and nothing else";

    ASSERT_TRUE(waitForLine(logFile, "running", 5s));
    const BackgroundMonitorLaunchRequest request{
        2, 0.05, double{0.65F}, 2, AlarmSoundSelection::defaultSelection(), logFile};
    EXPECT_EQ(linesOf(logFile).mid(0, 14), request.arguments());
    EXPECT_EQ(linesOf(logFile).size(), 17) << "exactly the fourteen arguments";

    // Later starts while it runs launch nothing and report nothing.
    for (int snapshot = 0; snapshot < 3; ++snapshot) {
        EXPECT_EQ(start(*launcher), processId);
    }
    EXPECT_EQ(logFilesIn(logDirectory()).size(), 1);
    EXPECT_THAT(m_messages, ElementsAre(kStarted));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, MonitorIsDetachedFromTheApplication)
{
    // What the application might hold when it launches: an ignored and a blocked signal, and a descriptor
    // that is not closed on exec.
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const auto previousHangUp = std::signal(SIGHUP, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigset_t previousMask;
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
    auto launcher = makeLauncher();
    const auto processId = start(*launcher);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    std::signal(SIGHUP, previousHangUp);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ASSERT_TRUE(processId);
    const QString logFile = latestLogPointerIn(logDirectory());
    ASSERT_TRUE(waitForLine(logFile, "running", 5s));

    const auto signalLines = linesOf(logFile).mid(14, 2);
    ASSERT_EQ(signalLines.size(), 2);
    EXPECT_EQ(signalLines[0], "SigBlk:\t0000000000000000") << "nothing blocked";
    EXPECT_TRUE(signalLines[1].startsWith("SigIgn:\t") && namesNoStandardSignal(signalLines[1]))
        << "nothing ignored: " << signalLines[1].toStdString();
    const QDir descriptors{QStringLiteral("/proc/%1/fd").arg(*processId)};
    EXPECT_THAT(descriptors.entryList(QDir::NoDotAndDotDot | QDir::AllEntries, QDir::Name),
                ElementsAre("0", "1", "2"));
    for (const char* descriptor : {"0", "1", "2"}) {
        EXPECT_EQ(QFile::symLinkTarget(descriptors.filePath(descriptor)), "/dev/null") << descriptor;
    }
    const auto stat = statFieldsOf(*processId);
    ASSERT_GE(stat.size(), 4);
    EXPECT_EQ(stat[3], QString::number(*processId)) << "it leads a session of its own";
    EXPECT_NE(stat[3], QString::number(::getsid(0)));

    // Destroying the launcher, as quitting the application does, leaves it running.
    const auto handle = ProcessHandle::open(*processId);
    ASSERT_TRUE(handle);
    launcher.reset();
    processEventsFor(100ms);
    EXPECT_TRUE(handle->isRunning());
    EXPECT_THAT(linesOf(logFile), ::testing::Not(::testing::Contains("terminated")));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, StopTerminatesTheMonitorAndReapsIt)
{
    auto launcher = makeLauncher();
    launcher->stop("Screen unlocked.");
    EXPECT_TRUE(m_messages.empty()) << "no monitor, no message";

    const auto processId = start(*launcher);
    ASSERT_TRUE(processId);
    const QString logFile = latestLogPointerIn(logDirectory());
    ASSERT_TRUE(waitForLine(logFile, "running", 5s));
    launcher->stop("Screen unlocked.");
    EXPECT_FALSE(launcher->monitorProcessId());
    EXPECT_TRUE(waitForLine(logFile, "terminated", 5s)) << "SIGTERM did not reach the monitor";
    EXPECT_TRUE(waitUntilGone(*processId, 5s)) << "the ended monitor was not reaped";

    launcher->stop("Screen unlocked.");
    EXPECT_THAT(m_messages, ElementsAre(kStarted, kStopping));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, MonitorThatEndedOnItsOwnIsSeenEnded)
{
    for (const bool thenStart : {true, false}) {
        SCOPED_TRACE(thenStart ? "then start" : "then stop");
        m_messages.clear();
        auto launcher = makeLauncher();
        const auto first = start(*launcher);
        ASSERT_TRUE(first);
        const QString firstLog = latestLogPointerIn(logDirectory());
        ASSERT_TRUE(waitForLine(firstLog, "running", 5s));
        ASSERT_EQ(::kill(*first, SIGUSR1), 0);
        EXPECT_TRUE(waitProcessingEvents([&] { return !launcher->isMonitorRunning(); }, 5s));
        EXPECT_TRUE(waitUntilGone(*first, 5s)) << "the ended monitor was not reaped";
        EXPECT_EQ(launcher->monitorProcessId(), first) << "kept until replaced or stopped";

        if (thenStart) {
            const auto second = start(*launcher);
            ASSERT_TRUE(second);
            EXPECT_NE(second, first);
            EXPECT_NE(latestLogPointerIn(logDirectory()), firstLog);
            EXPECT_TRUE(waitForLine(latestLogPointerIn(logDirectory()), "running", 5s));
            EXPECT_THAT(m_messages, ElementsAre(kStarted, kStarted));
            launcher->stop("Screen unlocked.");
        } else {
            launcher->stop("Screen unlocked.");
            EXPECT_FALSE(launcher->monitorProcessId());
            EXPECT_THAT(m_messages, ElementsAre(kStarted, kStopping));
            EXPECT_THAT(linesOf(firstLog), ::testing::Not(::testing::Contains("terminated")));
        }
    }
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, ProgramThatCannotRunIsReportedAndKeepsWhatWasHeld)
{
    auto launcher = makeLauncher();
    const auto ended = start(*launcher);
    ASSERT_TRUE(ended);
    const QString endedLog = latestLogPointerIn(logDirectory());
    ASSERT_TRUE(waitForLine(endedLog, "running", 5s));
    ASSERT_EQ(::kill(*ended, SIGUSR1), 0);
    ASSERT_TRUE(waitProcessingEvents([&] { return !launcher->isMonitorRunning(); }, 5s));
    ASSERT_TRUE(QFile::setPermissions(m_executable, QFile::ReadOwner | QFile::WriteOwner));

    EXPECT_FALSE(launcher->start(2, 0.05, 0.65, 2, AlarmSoundSelection::defaultSelection()));
    EXPECT_EQ(launcher->monitorProcessId(), ended);
    EXPECT_EQ(logFilesIn(logDirectory()), QStringList{QFileInfo{endedLog}.fileName()});
    EXPECT_EQ(latestLogPointerIn(logDirectory()), endedLog);
    EXPECT_THAT(m_messages, ElementsAre(kStarted, "Background monitoring could not start."));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, LaunchesInTheSameSecondGetLogsOfTheirOwn)
{
    auto first = makeLauncher();
    auto second = makeLauncher();
    ASSERT_TRUE(start(*first));
    ASSERT_TRUE(start(*second));
    const auto logFiles = logFilesIn(logDirectory());
    ASSERT_EQ(logFiles.size(), 2);
    // Sorted by name, "<stem>-2.log" comes before "<stem>.log".
    if (logFiles[0].left(27) == logFiles[1].left(27)) {
        EXPECT_EQ(logFiles[0], logFiles[1].left(27) + "-2.log");
    }
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, AdoptsOnlyAMonitorOfOurProgramThatLogsInOurDirectory)
{
    struct Row
    {
        const char* name;
        const char* launchedExecutable;
        const char* launchedLogDirectory;
        bool replaceProgramAfterLaunch;
        bool adopted;
    };
    const Row rows[] = {
        {"our program, our log directory", "bin/HollerboxBackgroundMonitor", "logs/background-monitor", false,
         true},
        {"our program replaced since by an update", "bin/HollerboxBackgroundMonitor",
         "logs/background-monitor", true, true},
        {"our program, a log elsewhere", "bin/HollerboxBackgroundMonitor", "elsewhere", false, false},
        {"an identical copy of the program elsewhere", "bin/copy", "logs/background-monitor", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_messages.clear();
        const QString executable = installStandIn(row.launchedExecutable);
        auto previous = makeLauncher(executable, m_directory.filePath(row.launchedLogDirectory));
        const auto processId = start(*previous);
        ASSERT_TRUE(processId);
        ASSERT_TRUE(
            waitForLine(latestLogPointerIn(m_directory.filePath(row.launchedLogDirectory)), "running", 5s));
        previous.reset(); // the application quits
        if (row.replaceProgramAfterLaunch) {
            ASSERT_FALSE(installStandIn(row.launchedExecutable).isEmpty());
        }
        const auto handle = ProcessHandle::open(*processId);
        ASSERT_TRUE(handle);
        m_messages.clear();

        auto restarted = makeLauncher();
        EXPECT_EQ(restarted->adoptRunningMonitor(), row.adopted);
        if (row.adopted) {
            EXPECT_EQ(restarted->monitorProcessId(), processId);
            EXPECT_TRUE(restarted->start(2, 0.05, 0.65, 2, AlarmSoundSelection::defaultSelection()));
            EXPECT_EQ(restarted->monitorProcessId(), processId) << "a lock must not start a second monitor";
            restarted->stop("Screen unlocked.");
            EXPECT_TRUE(waitProcessingEvents([&handle] { return !handle->isRunning(); }, 5s));
            EXPECT_THAT(m_messages, ElementsAre("Adopted the background monitor already running (process " +
                                                    std::to_string(*processId) + ").",
                                                kStopping));
        } else {
            EXPECT_FALSE(restarted->monitorProcessId());
            EXPECT_TRUE(m_messages.empty());
            EXPECT_TRUE(handle->isRunning());
        }
    }
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, AdoptsTheNewestOfSeveralAndStopsTheOthers)
{
    auto older = makeLauncher();
    const auto olderId = start(*older);
    const QString olderLog = latestLogPointerIn(logDirectory());
    auto newer = makeLauncher();
    const auto newerId = start(*newer);
    ASSERT_TRUE(olderId && newerId);
    ASSERT_TRUE(waitForLine(olderLog, "running", 5s));
    m_messages.clear();

    auto restarted = makeLauncher();
    ASSERT_TRUE(restarted->adoptRunningMonitor());
    EXPECT_EQ(restarted->monitorProcessId(), newerId);
    EXPECT_TRUE(waitForLine(olderLog, "terminated", 5s)) << "two monitors would fight over the output";
    EXPECT_THAT(m_messages, ElementsAre("Adopted the background monitor already running (process " +
                                            std::to_string(*newerId) + ").",
                                        "Stopped another background monitor left running (process " +
                                            std::to_string(*olderId) + ")."));
    restarted->stop("Screen unlocked.");
    EXPECT_TRUE(waitUntilGone(*newerId, 5s));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, AMonitorThatKeepsEndingAtLaunchIsNotTakenForARunningOne)
{
    auto launcher = makeLauncher();
    qputenv("HOLLERBOX_STAND_IN_EXITS_AT_ONCE", "1");
    const auto launchAndWaitForItsEnd = [&] {
        const bool started = launcher->start(2, 0.05, 0.65, 2, AlarmSoundSelection::defaultSelection());
        EXPECT_TRUE(waitProcessingEvents([&] { return !launcher->isMonitorRunning(); }, 5s));
        return started;
    };
    EXPECT_TRUE(launchAndWaitForItsEnd()) << "an end at launch can be a one-off: one more launch is tried";
    EXPECT_TRUE(launchAndWaitForItsEnd());
    qunsetenv("HOLLERBOX_STAND_IN_EXITS_AT_ONCE");

    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_FALSE(launcher->start(2, 0.05, 0.65, 2, AlarmSoundSelection::defaultSelection()))
            << "the application keeps watching itself while the monitor cannot run";
    }
    EXPECT_EQ(logFilesIn(logDirectory()).size(), 2);
    EXPECT_THAT(m_messages, ElementsAre(kStarted, kStarted, "Background monitoring could not start."));

    launcher->stop("Screen unlocked.");
    EXPECT_TRUE(start(*launcher)) << "the next lock tries again";
    launcher->stop("Screen unlocked.");
}

} // namespace
} // namespace hollerbox::testing
