#include "model/launch/BackgroundMonitorLauncher.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gmock/gmock.h>

namespace hollerbox {
namespace {

using ::testing::ElementsAre;

TEST(BackgroundMonitorLauncherTest, LogFileIsNamedAfterTheLocalTimeInAnyLocale)
{
    const QDateTime localTime{QDate{2026, 12, 5}, QTime{4, 6, 35, 500}};
    const QLocale saved;
    for (const auto& locale : {QLocale::c(), QLocale{QLocale::Arabic, QLocale::Egypt}, QLocale{"hi_IN"}}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(BackgroundMonitorLauncher::logFileName(localTime).toStdString(),
                  "open-lid-bg-20261205-040635.log");
    }
    QLocale::setDefault(saved);
}

TEST(BackgroundMonitorLauncherTest, DefaultLocationsFollowTheStateHomeAndOurExecutable)
{
    QTemporaryDir state;
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    const BackgroundMonitorLauncher launcher;
    qputenv("XDG_STATE_HOME", saved);

    EXPECT_EQ(launcher.options().logDirectory, state.path() + "/Logs/Hollerbox/background-monitor");
    EXPECT_EQ(launcher.latestLogPointerPath(),
              state.path() + "/Logs/Hollerbox/background-monitor/latest-log-path.txt");
    const QString ownDirectory = QFileInfo{QFile::symLinkTarget("/proc/self/exe")}.absolutePath();
    EXPECT_EQ(launcher.options().executablePath,
              QDir{ownDirectory + "/../libexec/hollerbox"}.absoluteFilePath("HollerboxBackgroundMonitor"));
}

TEST(BackgroundMonitorLauncherTest, MissingExecutableIsReportedAndLeavesNoTrace)
{
    QTemporaryDir directory;
    const QString logDirectory = directory.filePath("logs/background-monitor");
    BackgroundMonitorLauncher launcher{
        {directory.filePath("libexec/HollerboxBackgroundMonitor"), logDirectory}};
    std::vector<std::string> messages;
    launcher.setDiagnosticHandler([&messages](const std::string& message) { messages.push_back(message); });

    EXPECT_FALSE(launcher.start(2, 0.05, 0.65, 2, AlarmSoundSelection::defaultSelection()));
    EXPECT_FALSE(launcher.isMonitorRunning());
    EXPECT_FALSE(launcher.monitorProcessId());
    launcher.stop("Screen unlocked.");
    EXPECT_FALSE(launcher.adoptRunningMonitor());

    EXPECT_THAT(messages, ElementsAre("Background monitoring is unavailable in this build."));
    EXPECT_FALSE(QFileInfo::exists(logDirectory));
}

} // namespace
} // namespace hollerbox
