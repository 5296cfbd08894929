#include "AlarmReporter.h"

#include "AlarmReportText.h"
#include "report/MonitorLogAlarmSummarizer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace hollerbox {

namespace {

constexpr qint64 kMaximumPointerBytes = 4096;

QDateTime utcDateTime(WallTime time)
{
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count(), Qt::UTC);
}

} // namespace

AlarmReporter::AlarmReporter(QString latestLogPointerPath, std::unique_ptr<DesktopNotifier> notifier,
                             BroadcasterFileLogger applicationLog, QTimeZone zone)
    : m_latestLogPointerPath(std::move(latestLogPointerPath)), m_notifier(std::move(notifier)),
      m_applicationLog(std::move(applicationLog)), m_zone(std::move(zone))
{}

std::optional<AlarmLogSummary> AlarmReporter::summarizeLog(const QString& logPath, WallTime end)
{
    QFile file{logPath};
    if (!QFileInfo{logPath}.isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray content = file.read(maximumLogBytes);
    MonitorLogAlarmSummarizer summarizer;
    for (qsizetype begin = 0; begin < content.size();) {
        auto end = content.indexOf('\n', begin);
        end = end < 0 ? content.size() : end;
        summarizer.addLine(
            std::string_view{content.constData() + begin, static_cast<std::size_t>(end - begin)});
        begin = end + 1;
    }
    return summarizer.summary(end);
}

QString AlarmReporter::logLine(WallTime now, const QString& message)
{
    return utcDateTime(now).toString(Qt::ISODate) + QStringLiteral(" [alarm-report] ") + message;
}

std::optional<DesktopNotification> AlarmReporter::reportAfterUnlock(WallTime unlockedAt)
{
    QFile pointer{m_latestLogPointerPath};
    if (!pointer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QString logPath = QString::fromUtf8(pointer.read(kMaximumPointerBytes)).trimmed();
    const auto summary = logPath.isEmpty() ? std::nullopt : summarizeLog(logPath, unlockedAt);
    if (!summary) {
        return std::nullopt;
    }
    const QString title = AlarmReportText::title();
    const QString body = AlarmReportText::body(*summary, utcDateTime(unlockedAt), m_zone);
    m_applicationLog.write(logLine(unlockedAt, title + QStringLiteral(": ") + body));
    DesktopNotification notification{title.toStdString(), body.toStdString()};
    if (m_notifier) {
        m_notifier->notify(
            notification, [log = m_applicationLog, unlockedAt](std::optional<std::string> failure) {
                if (failure) {
                    log.write(logLine(unlockedAt, QStringLiteral("Desktop notification not shown: ") +
                                                      QString::fromStdString(*failure)));
                }
            });
    }
    return notification;
}

} // namespace hollerbox
