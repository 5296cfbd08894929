#pragma once

#include <QDateTime>
#include <QString>

namespace hollerbox {

/// The application log: lines appended as UTF-8, never truncated. Construction creates the log's directory
/// and an empty file when they are missing; a write opens, appends and closes the file each time, so a
/// failed write costs only its own line. Like the monitor's log, a file removed while running is not
/// recreated. Failures are ignored.
class BroadcasterFileLogger
{
public:
    /// <log root>/menubar-broadcaster.log.
    static QString defaultLogFilePath();

    explicit BroadcasterFileLogger(QString logFilePath = defaultLogFilePath());

    /// Appends `line` and a line feed.
    void write(const QString& line) const;

    /// "<UTC date-time to the second, e.g. 2026-12-05T14:56:35Z> [bg-launcher] <message>".
    static QString launcherLine(const QDateTime& now, const QString& message);

    const QString& logFilePath() const { return m_logFilePath; }

private:
    QString m_logFilePath;
};

} // namespace hollerbox
