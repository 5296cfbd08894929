#pragma once

#include "report/AlarmLogSummary.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <chrono>

namespace hollerbox {

/// The words of the owner's report after an alarm.
class AlarmReportText
{
public:
    /// "Hollerbox alarm went off".
    static QString title();
    /// "Someone moved this laptop while it was locked. The alarm started at 14:03:12, sounded for 1 min 20 s
    /// and was set off 2 times.", in the time of `zone`, with the day added when it is not the day of `now`.
    static QString body(const AlarmLogSummary& summary, const QDateTime& now,
                        const QTimeZone& zone = QTimeZone::systemTimeZone());
    /// "less than 1 s", "42 s", "1 min 20 s", "3 min", "2 h 5 min".
    static QString duration(std::chrono::seconds duration);
};

} // namespace hollerbox
