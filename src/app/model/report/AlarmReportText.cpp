#include "AlarmReportText.h"

#include <QLocale>

namespace hollerbox {

QString AlarmReportText::title()
{
    return QStringLiteral("Hollerbox alarm went off");
}

QString AlarmReportText::body(const AlarmLogSummary& summary, const QDateTime& now, const QTimeZone& zone)
{
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(summary.startedAt.time_since_epoch()).count();
    const QDateTime startedAt = QDateTime::fromMSecsSinceEpoch(milliseconds, zone);
    const QLocale c = QLocale::c();
    QString start = QStringLiteral("at ") + c.toString(startedAt, QStringLiteral("HH:mm:ss"));
    if (startedAt.date() != now.toTimeZone(zone).date()) {
        start = QStringLiteral("on ") + c.toString(startedAt, QStringLiteral("ddd d MMM")) +
                QLatin1Char(' ') + start;
    }
    const QString times = summary.timesSetOff == 1
                              ? QStringLiteral("once")
                              : QString::number(summary.timesSetOff) + QStringLiteral(" times");
    return QStringLiteral(
               "Someone moved this laptop while it was locked. The alarm started %1, sounded for %2 "
               "and was set off %3.")
        .arg(start, duration(summary.soundingDuration), times);
}

QString AlarmReportText::duration(std::chrono::seconds duration)
{
    const auto total = duration.count();
    if (total <= 0) {
        return QStringLiteral("less than 1 s");
    }
    const auto hours = total / 3600;
    const auto minutes = total % 3600 / 60;
    const auto seconds = total % 60;
    const auto part = [](long long value, const char* unit) {
        return QString::number(value) + QLatin1Char(' ') + QLatin1String(unit);
    };
    if (hours > 0) {
        return minutes > 0 ? part(hours, "h") + QLatin1Char(' ') + part(minutes, "min") : part(hours, "h");
    }
    if (minutes > 0) {
        return seconds > 0 ? part(minutes, "min") + QLatin1Char(' ') + part(seconds, "s")
                           : part(minutes, "min");
    }
    return part(seconds, "s");
}

} // namespace hollerbox
