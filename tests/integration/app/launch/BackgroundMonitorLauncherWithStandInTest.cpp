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
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr const char* kStarted = "Background monitoring started.";
constexpr const char* kStopping = "Stopping background monitor: Screen unlocked.";
constexpr const char* kCouldNotStart = "Background monitoring could not start.";
constexpr const char* kUnlocked = "Screen unlocked.";

std::string adopted(pid_t processId)
{
    return "Adopted the background monitor already running (process " + std::to_string(processId) + ").";
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

    /// A launcher of `executable` logging to `logDirectory` (by default, ours) that reports to m_messages.
    std::unique_ptr<BackgroundMonitorLauncher> makeLauncher(const QString& executable = {},
                                                            const QString& logDirectory = {})
    {
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(
            BackgroundMonitorLauncher::Options{executable.isEmpty() ? m_executable : executable,
                                               logDirectory.isEmpty() ? this->logDirectory() : logDirectory});
        launcher->setDiagnosticHandler([this](const std::string& message) { m_messages.push_back(message); });
        return launcher;
    }

    /// Whether a start with the default settings reports success.
    static bool launch(BackgroundMonitorLauncher& launcher)
    {
        return launcher.start(2, 0.05, double{0.65F}, 2, AlarmSoundSelection::defaultSelection());
    }

    /// Starts with the default settings; the process ID of the monitor running afterwards, or none.
    std::optional<pid_t> start(BackgroundMonitorLauncher& launcher)
    {
        if (!launch(launcher) || !launcher.monitorProcessId()) {
            return std::nullopt;
        }
        m_monitors.add(*launcher.monitorProcessId());
        return launcher.monitorProcessId();
    }

    /// Starts and waits until the monitor runs; its log in `directory` (by default, ours), or empty.
    QString startRunning(BackgroundMonitorLauncher& launcher, QString directory = {})
    {
        const QString log = start(launcher)
                                ? latestLogPointerIn(directory.isEmpty() ? logDirectory() : directory)
                                : QString{};
        return waitForLine(log, "running", 5s) ? log : QString{};
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

TEST_F(BackgroundMonitorLauncherWithStandInTest,
       StartsOneDetachedMonitorWithExactArgumentsAndStopEndsAndReapsIt)
{
    auto launcher = makeLauncher();
    launcher->stop(kUnlocked);
    EXPECT_TRUE(m_messages.empty()) << "no monitor, no message";

    // What the application might hold at launch: an ignored and a blocked signal, an inheritable descriptor.
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const auto previousHangUp = std::signal(SIGHUP, SIG_IGN);
    sigset_t blocked;
    sigset_t previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
    const auto processId = start(*launcher);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    std::signal(SIGHUP, previousHangUp);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ASSERT_TRUE(processId);

    const auto logFiles = logFilesIn(logDirectory());
    ASSERT_EQ(logFiles.size(), 1);
    EXPECT_TRUE(QRegularExpression{R"(^open-lid-bg-\d{8}-\d{6}\.log$)"}.match(logFiles.front()).hasMatch());
    const QString logFile = logDirectory() + "/" + logFiles.front();
    EXPECT_EQ(latestLogPointerIn(logDirectory()), logFile)
        << "the pointer must hold the path and nothing else";
    ASSERT_TRUE(waitForLine(logFile, "running", 5s));
    const auto lines = linesOf(logFile);
    ASSERT_EQ(lines.size(), 17) << "exactly the fourteen arguments, then the signal state";
    EXPECT_EQ(lines.mid(0, 14),
              (BackgroundMonitorLaunchRequest{2, 0.05, double{0.65F}, 2,
                                              AlarmSoundSelection::defaultSelection(), logFile}
                   .arguments()));
    EXPECT_EQ(lines[14], "SigBlk:\t0000000000000000") << "nothing blocked";
    // Signals 1 to 31 only: the C library's posix_spawn leaves its internal 32 and 33 ignored.
    bool valid = false;
    const auto ignored = lines[15].section(QLatin1Char('\t'), 1).toULongLong(&valid, 16);
    EXPECT_TRUE(lines[15].startsWith("SigIgn:\t") && valid && (ignored & 0x7fffffffULL) == 0)
        << "nothing ignored";
    const QDir descriptors{QStringLiteral("/proc/%1/fd").arg(*processId)};
    EXPECT_THAT(descriptors.entryList(QDir::NoDotAndDotDot | QDir::AllEntries, QDir::Name),
                ElementsAre("0", "1", "2"));
    for (const char* descriptor : {"0", "1", "2"}) {
        EXPECT_EQ(QFile::symLinkTarget(descriptors.filePath(descriptor)), "/dev/null") << descriptor;
    }
    EXPECT_EQ(::getsid(*processId), *processId) << "it leads a session of its own";

    // Later starts while it runs launch nothing and report nothing.
    for (int snapshot = 0; snapshot < 3; ++snapshot) {
        EXPECT_EQ(start(*launcher), processId);
    }
    EXPECT_EQ(logFilesIn(logDirectory()).size(), 1);

    launcher->stop(kUnlocked);
    EXPECT_FALSE(launcher->monitorProcessId());
    EXPECT_TRUE(waitForLine(logFile, "terminated", 5s)) << "SIGTERM did not reach the monitor";
    EXPECT_TRUE(waitUntilGone(*processId, 5s)) << "the ended monitor was not reaped";
    launcher->stop(kUnlocked);
    EXPECT_THAT(m_messages, ElementsAre(kStarted, kStopping));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, MonitorThatEndedOnItsOwnIsSeenEndedAndKeptUntilReplaced)
{
    enum class Then
    {
        start,
        stop,
        startWithProgramThatCannotRun
    };
    for (const Then then : {Then::start, Then::stop, Then::startWithProgramThatCannotRun}) {
        SCOPED_TRACE(static_cast<int>(then));
        m_messages.clear();
        auto launcher = makeLauncher();
        const QString firstLog = startRunning(*launcher);
        ASSERT_FALSE(firstLog.isEmpty());
        const auto first = launcher->monitorProcessId();
        ASSERT_EQ(::kill(*first, SIGUSR1), 0);
        EXPECT_TRUE(waitProcessingEvents([&] { return !launcher->isMonitorRunning(); }, 5s));
        EXPECT_TRUE(waitUntilGone(*first, 5s)) << "the ended monitor was not reaped";
        EXPECT_EQ(launcher->monitorProcessId(), first) << "kept until replaced or stopped";

        if (then == Then::start) {
            const QString secondLog = startRunning(*launcher);
            EXPECT_FALSE(secondLog.isEmpty());
            EXPECT_NE(secondLog, firstLog);
            EXPECT_NE(launcher->monitorProcessId(), first);
            EXPECT_THAT(m_messages, ElementsAre(kStarted, kStarted));
            launcher->stop(kUnlocked);
        } else if (then == Then::stop) {
            launcher->stop(kUnlocked);
            EXPECT_FALSE(launcher->monitorProcessId());
            EXPECT_THAT(m_messages, ElementsAre(kStarted, kStopping));
            EXPECT_THAT(linesOf(firstLog), Not(Contains("terminated")));
        } else {
            const auto logsBefore = logFilesIn(logDirectory()).size();
            ASSERT_TRUE(QFile::setPermissions(m_executable, QFile::ReadOwner | QFile::WriteOwner));
            EXPECT_FALSE(launch(*launcher));
            EXPECT_EQ(launcher->monitorProcessId(), first);
            EXPECT_EQ(latestLogPointerIn(logDirectory()), firstLog);
            EXPECT_EQ(logFilesIn(logDirectory()).size(), logsBefore) << "no log for the launch that failed";
            EXPECT_THAT(m_messages, ElementsAre(kStarted, kCouldNotStart));
        }
    }
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, AdoptsOnlyAMonitorOfOurProgramThatLogsInOurDirectory)
{
    const struct
    {
        const char* name;
        const char* executable;
        const char* logDirectory;
        bool replaceProgramAfterLaunch;
        bool adopted;
    } rows[] = {
        {"ours, updated since", "bin/HollerboxBackgroundMonitor", "logs/background-monitor", true, true},
        {"ours, logging elsewhere", "bin/HollerboxBackgroundMonitor", "elsewhere", false, false},
        {"an identical copy elsewhere", "bin/copy", "logs/background-monitor", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString logDirectory = m_directory.filePath(row.logDirectory);
        auto previous = makeLauncher(installStandIn(row.executable), logDirectory);
        const QString log = startRunning(*previous, logDirectory);
        ASSERT_FALSE(log.isEmpty());
        const pid_t processId = *previous->monitorProcessId();
        const auto handle = ProcessHandle::open(processId);
        ASSERT_TRUE(handle);
        previous.reset(); // the application quits, which leaves the monitor running
        if (row.replaceProgramAfterLaunch) {
            ASSERT_FALSE(installStandIn(row.executable).isEmpty());
        }
        processEventsFor(100ms);
        ASSERT_TRUE(handle->isRunning());
        EXPECT_THAT(linesOf(log), Not(Contains("terminated")));
        m_messages.clear();

        auto restarted = makeLauncher();
        EXPECT_EQ(restarted->adoptRunningMonitor(), row.adopted);
        if (row.adopted) {
            EXPECT_EQ(restarted->monitorProcessId(), processId);
            EXPECT_TRUE(launch(*restarted));
            EXPECT_EQ(restarted->monitorProcessId(), processId) << "a lock must not start a second monitor";
            restarted->stop(kUnlocked);
            EXPECT_TRUE(waitProcessingEvents([&handle] { return !handle->isRunning(); }, 5s));
            EXPECT_THAT(m_messages, ElementsAre(adopted(processId), kStopping));
        } else {
            EXPECT_FALSE(restarted->monitorProcessId());
            EXPECT_TRUE(m_messages.empty());
            EXPECT_TRUE(handle->isRunning());
        }
    }
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, LogsOfTheirOwnAndAdoptsTheNewestOfSeveralAndStopsTheOthers)
{
    auto older = makeLauncher();
    auto newer = makeLauncher();
    const auto olderId = start(*older);
    const QString olderLog = latestLogPointerIn(logDirectory());
    const auto newerId = start(*newer);
    ASSERT_TRUE(olderId && newerId);
    const auto logFiles = logFilesIn(logDirectory());
    ASSERT_EQ(logFiles.size(), 2);
    // Launched in the same second: sorted by name, "<stem>-2.log" comes before "<stem>.log".
    if (logFiles[0].left(27) == logFiles[1].left(27)) {
        EXPECT_EQ(logFiles[0], logFiles[1].left(27) + "-2.log");
    }
    ASSERT_TRUE(waitForLine(olderLog, "running", 5s));
    m_messages.clear();

    auto restarted = makeLauncher();
    ASSERT_TRUE(restarted->adoptRunningMonitor());
    EXPECT_EQ(restarted->monitorProcessId(), newerId);
    EXPECT_TRUE(waitForLine(olderLog, "terminated", 5s)) << "two monitors would fight over the output";
    EXPECT_THAT(m_messages,
                ElementsAre(adopted(*newerId), "Stopped another background monitor left running (process " +
                                                   std::to_string(*olderId) + ")."));
    restarted->stop(kUnlocked);
    EXPECT_TRUE(waitUntilGone(*newerId, 5s));
}

TEST_F(BackgroundMonitorLauncherWithStandInTest, AMonitorThatKeepsEndingAtLaunchIsNotTakenForARunningOne)
{
    auto launcher = makeLauncher();
    qputenv("HOLLERBOX_STAND_IN_EXITS_AT_ONCE", "1");
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_TRUE(launch(*launcher)) << "an end at launch can be a one-off: one more launch is tried";
        EXPECT_TRUE(waitProcessingEvents([&] { return !launcher->isMonitorRunning(); }, 5s));
    }
    qunsetenv("HOLLERBOX_STAND_IN_EXITS_AT_ONCE");

    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_FALSE(launch(*launcher))
            << "the application keeps watching itself while the monitor cannot run";
    }
    EXPECT_EQ(logFilesIn(logDirectory()).size(), 2);
    EXPECT_THAT(m_messages, ElementsAre(kStarted, kStarted, kCouldNotStart));

    launcher->stop(kUnlocked);
    EXPECT_TRUE(start(*launcher)) << "the next lock tries again";
    launcher->stop(kUnlocked);
}

} // namespace
} // namespace hollerbox::testing
