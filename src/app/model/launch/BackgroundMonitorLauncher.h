#pragma once

#include "BackgroundMonitorLaunching.h"
#include "linux/base/ProcessHandle.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace hollerbox {

/// Launches the background monitor program as a detached child that outlives the application, and stops it
/// with SIGTERM. The launched process is held through a pidfd and reaped from the event loop when it ends;
/// destroying the launcher never stops it. Each launch logs to a file of its own in the log directory,
/// "open-lid-bg-<local yyyyMMdd-HHmmss>.log", with "-2", "-3"… added when a launch in the same second took
/// that name. Main thread only.
///
/// A monitor left running by an earlier run of the application is recognised as ours when all of these hold,
/// checked again after a pidfd was opened on it: it belongs to our effective user; /proc/<pid>/exe is the
/// same file (device and inode) as our executable path, or names that path with " (deleted)" after the
/// program was replaced; and the value of its first "--log-file" argument lies directly in our log directory.
/// `adoptRunningMonitor` adopts the most recently started such process and asks any others to terminate,
/// since two monitors would fight over the audio output.
///
/// A monitor that ends within moments of its launch, twice in a row, cannot run here: the start that finds
/// this reports that monitoring could not start and returns false, so the application keeps watching itself,
/// and no launch is tried for a while (2 s, doubling up to a minute; a stop ends the wait).
class BackgroundMonitorLauncher final : public BackgroundMonitorLaunching
{
public:
    struct Options
    {
        QString executablePath = defaultExecutablePath();
        QString logDirectory = defaultLogDirectory();
    };

    /// ../libexec/hollerbox/HollerboxBackgroundMonitor from the directory of our own executable.
    static QString defaultExecutablePath();
    /// <log root>/background-monitor.
    static QString defaultLogDirectory();
    /// "open-lid-bg-<yyyyMMdd-HHmmss of `localTime`>.log".
    static QString logFileName(const QDateTime& localTime);

    BackgroundMonitorLauncher();
    explicit BackgroundMonitorLauncher(Options options);
    ~BackgroundMonitorLauncher() override;

    BackgroundMonitorLauncher(const BackgroundMonitorLauncher&) = delete;
    BackgroundMonitorLauncher& operator=(const BackgroundMonitorLauncher&) = delete;

    bool start(double armDelaySeconds, double movementThresholdG, double alarmVolumeScalar,
               double alarmRepeatSeconds, const AlarmSoundSelection& alarmSoundSelection) override;
    void stop(const std::string& reason) override;
    void setDiagnosticHandler(DiagnosticHandler handler) override;

    /// Takes over a monitor of ours that an earlier run of the application left running; true when a
    /// running monitor is held afterwards (adopted now, or already held).
    bool adoptRunningMonitor() override;

    /// Whether the monitor held, if any, is still running.
    bool isMonitorRunning() const;
    /// The process ID of the monitor held, running or ended; none when none is held.
    std::optional<pid_t> monitorProcessId() const;

    const Options& options() const { return m_options; }
    /// <log directory>/latest-log-path.txt.
    QString latestLogPointerPath() const override;

private:
    /// A process and the notifier that reaps it when it ends.
    struct WatchedProcess
    {
        ProcessHandle handle;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    /// Makes `handle` the process held, watched so that it is reaped when it ends.
    void hold(ProcessHandle handle);
    /// Watches `handle` until its process has ended, so that it can be reaped.
    void keepUntilEnded(ProcessHandle handle);
    /// Counts the end of the monitor held, which has ended; false while a monitor that keeps ending at its
    /// launch is waited out.
    bool mayLaunchAfterEndedMonitor();
    QString reserveLogFilePath() const;
    void report(const std::string& message) const;

    Options m_options;
    std::unique_ptr<WatchedProcess> m_process;
    /// Processes asked to stop, kept until they end so that they can be reaped.
    std::vector<std::unique_ptr<WatchedProcess>> m_stopping;
    DiagnosticHandler m_diagnosticHandler;
    std::chrono::steady_clock::time_point m_launchedAt;
    /// Monitors in a row that ended within moments of their launch.
    int m_quickExits = 0;
    /// Whether the end of the monitor held has been counted.
    bool m_endNoticed = false;
    std::chrono::steady_clock::time_point m_retryNotBefore;
};

} // namespace hollerbox
