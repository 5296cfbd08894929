#pragma once

#include "BackgroundMonitorLogger.h"
#include "report/AlarmLogSummary.h"
#include "report/MonitorLogAlarmSummarizer.h"

#include <ostream>
#include <string>

namespace hollerbox {

inline void PrintTo(const AlarmLogSummary& summary, std::ostream* out)
{
    *out << "{started " << summary.startedAt.time_since_epoch().count() << " us, "
         << summary.soundingDuration.count() << " s, " << summary.timesSetOff << " times}";
}

inline void PrintTo(const MonitorLogAlarmSummarizer::Entry& entry, std::ostream* out)
{
    *out << "{" << entry.at.time_since_epoch().count() << " us, " << rawValue(entry.state) << "}";
}

} // namespace hollerbox

namespace hollerbox::testing {

/// 2026-05-01 at `h`:`m`:`s` UTC.
inline WallTime utcTime(int h, int m, int s, std::chrono::microseconds extra = {})
{
    using namespace std::chrono;
    return WallTime{sys_days{2026y / May / 1} + hours{h} + minutes{m} + seconds{s}} + extra;
}

/// The monitor's own line for a snapshot in `state` at `at`.
inline std::string snapshotLine(WallTime at, OpenLidAlarmState state, std::string detail = "Detail.")
{
    OpenLidAlarmSnapshot snapshot;
    snapshot.state = state;
    snapshot.isScreenLocked = true;
    snapshot.statusText = "Status";
    snapshot.detailText = std::move(detail);
    snapshot.lastUpdatedAt = at;
    return BackgroundMonitorLogger::snapshotLine(snapshot);
}

} // namespace hollerbox::testing
