#pragma once

#include "AlarmLogSummary.h"
#include "engine/OpenLidAlarmState.h"
#include "ports/WallTime.h"

#include <optional>
#include <string_view>

namespace hollerbox {

/// Reads the background monitor's log line by line and sums up its alarms. Only snapshot lines count
/// ("<yyyy-MM-ddTHH:mm:ssZ> state=<state> …"); every other line, and any line that is cut short or garbled
/// before its state ends, is skipped. Each entry into `triggered` sets the alarm off once; it sounds until
/// the next line in another state, or until the end given to `summary` when the log ends in `triggered`.
class MonitorLogAlarmSummarizer
{
public:
    struct Entry
    {
        WallTime at;
        OpenLidAlarmState state = OpenLidAlarmState::idle;

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    /// The time and state of a snapshot line; none for any other line.
    static std::optional<Entry> parseLine(std::string_view line);

    void addLine(std::string_view line);

    /// The alarms read so far, one still sounding counted until `end`; none when the alarm never sounded.
    std::optional<AlarmLogSummary> summary(WallTime end) const;

private:
    std::optional<WallTime> m_firstStart;
    std::optional<WallTime> m_currentStart;
    std::chrono::microseconds m_finishedDuration{0};
    int m_timesSetOff = 0;
};

} // namespace hollerbox
