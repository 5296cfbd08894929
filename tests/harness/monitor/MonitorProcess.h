#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// The background monitor program run as a child: its standard output read line by line with the time each
/// line arrived. When the test has failed, destruction prints everything the program wrote.
class MonitorProcess
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    struct Line
    {
        std::string text;
        TimePoint arrivedAt;
    };

    /// The monitor program of the build tree, or the one HOLLERBOX_MONITOR_UNDER_TEST names.
    static QString programPath();

    /// Runs `program`, by default the build tree's.
    MonitorProcess(QStringList arguments, QProcessEnvironment environment,
                   const QString& program = programPath());
    ~MonitorProcess();

    MonitorProcess(const MonitorProcess&) = delete;
    MonitorProcess& operator=(const MonitorProcess&) = delete;

    /// Sends the program's standard output to `fd` instead of reading it; before `start`. No lines arrive.
    void redirectStandardOutput(int fd);
    bool start();
    /// Waits until a line containing `fragment` arrives (or has arrived) at index `from` or later; its index,
    /// or none after `limit`.
    std::optional<std::size_t> waitForLine(const std::string& fragment, std::chrono::milliseconds limit,
                                           std::size_t from = 0);
    /// Reads what arrived while waiting up to `duration`.
    void collectFor(std::chrono::milliseconds duration);
    /// Sends SIGTERM; the time it was sent.
    TimePoint terminate();
    /// Waits for the program to end; false after `limit`.
    bool waitForExit(std::chrono::milliseconds limit);
    /// When the program was seen to end.
    TimePoint exitedAt() const { return m_exitedAt; }
    bool exitedNormallyWithZero() const;
    int exitCode() const { return m_process.exitCode(); }
    qint64 processId() const { return m_process.processId(); }
    /// When `start` was called.
    TimePoint startedAt() const { return m_startedAt; }
    const std::vector<Line>& lines() const { return m_lines; }
    /// The lines' texts.
    std::vector<std::string> texts() const;
    std::string standardError();

private:
    void readAvailable();

    QProcess m_process;
    std::vector<Line> m_lines;
    std::string m_partial;
    std::string m_standardError;
    TimePoint m_exitedAt{};
    TimePoint m_startedAt{};
};

} // namespace hollerbox::testing
