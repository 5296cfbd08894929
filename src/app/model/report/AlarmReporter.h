#pragma once

#include "model/launch/BroadcasterFileLogger.h"
#include "ports/WallTime.h"
#include "report/AlarmLogSummary.h"
#include "report/DesktopNotifier.h"

#include <QString>
#include <QTimeZone>
#include <memory>
#include <optional>

namespace hollerbox {

/// Tells the owner, once the screen is unlocked, about the alarm that the background monitor sounded while
/// it was locked. The monitor's newest log (named by the launcher's pointer file) is the only source; the
/// report goes to the application log and, when a notifier is given, to the desktop. Main thread only.
class AlarmReporter
{
public:
    /// The most of a monitor log that is read; a larger file is read up to this size.
    static constexpr qint64 maximumLogBytes = 4 * 1024 * 1024;

    AlarmReporter(QString latestLogPointerPath, std::unique_ptr<DesktopNotifier> notifier,
                  BroadcasterFileLogger applicationLog, QTimeZone zone = QTimeZone::systemTimeZone());

    /// Reports the alarm that the newest monitor log shows, sounding until `unlockedAt` when the log ends
    /// with it; what was reported, none when no alarm sounded. Call it at an unlock that ends a lock during
    /// which a monitor watched, so that the newest log is that monitor's.
    std::optional<DesktopNotification> reportAfterUnlock(WallTime unlockedAt);

    /// The alarms in the log at `logPath` (see `MonitorLogAlarmSummarizer`); none when it cannot be read.
    static std::optional<AlarmLogSummary> summarizeLog(const QString& logPath, WallTime end);

    /// "<UTC time> [alarm-report] <message>".
    static QString logLine(WallTime now, const QString& message);

private:
    QString m_latestLogPointerPath;
    std::unique_ptr<DesktopNotifier> m_notifier;
    BroadcasterFileLogger m_applicationLog;
    QTimeZone m_zone;
};

} // namespace hollerbox
