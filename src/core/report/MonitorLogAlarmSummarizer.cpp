#include "MonitorLogAlarmSummarizer.h"

#include <algorithm>
#include <charconv>

namespace hollerbox {

namespace {

constexpr std::string_view kStateKey = " state=";
constexpr std::size_t kTimestampLength = std::string_view{"2026-01-01T00:00:00Z"}.size();

/// The unsigned number of exactly `width` digits at `offset`; none when any of them is not a digit.
std::optional<unsigned> digits(std::string_view text, std::size_t offset, std::size_t width)
{
    unsigned value = 0;
    const char* begin = text.data() + offset;
    const auto [end, error] = std::from_chars(begin, begin + width, value);
    if (error != std::errc{} || end != begin + width) {
        return std::nullopt;
    }
    return value;
}

/// "yyyy-MM-ddTHH:mm:ssZ" in UTC, as the monitor writes it.
std::optional<WallTime> parseTimestamp(std::string_view text)
{
    using namespace std::chrono;
    if (text.size() != kTimestampLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto yearValue = digits(text, 0, 4);
    const auto monthValue = digits(text, 5, 2);
    const auto dayValue = digits(text, 8, 2);
    const auto hourValue = digits(text, 11, 2);
    const auto minuteValue = digits(text, 14, 2);
    const auto secondValue = digits(text, 17, 2);
    if (!yearValue || !monthValue || !dayValue || !hourValue || !minuteValue || !secondValue ||
        *hourValue > 23 || *minuteValue > 59 || *secondValue > 59) {
        return std::nullopt;
    }
    const year_month_day date{year{static_cast<int>(*yearValue)}, month{*monthValue}, day{*dayValue}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return WallTime{sys_days{date} + hours{*hourValue} + minutes{*minuteValue} + seconds{*secondValue}};
}

} // namespace

std::optional<MonitorLogAlarmSummarizer::Entry> MonitorLogAlarmSummarizer::parseLine(std::string_view line)
{
    if (line.size() < kTimestampLength + kStateKey.size() ||
        line.substr(kTimestampLength, kStateKey.size()) != kStateKey) {
        return std::nullopt;
    }
    const auto at = parseTimestamp(line.substr(0, kTimestampLength));
    auto state = line.substr(kTimestampLength + kStateKey.size());
    state = state.substr(0, state.find(' '));
    const auto parsedState = openLidAlarmStateFromRawValue(state);
    if (!at || !parsedState) {
        return std::nullopt;
    }
    return Entry{*at, *parsedState};
}

void MonitorLogAlarmSummarizer::addLine(std::string_view line)
{
    const auto entry = parseLine(line);
    if (!entry) {
        return;
    }
    const bool sounding = entry->state == OpenLidAlarmState::triggered;
    if (sounding && !m_currentStart) {
        ++m_timesSetOff;
        m_currentStart = entry->at;
        m_firstStart = m_firstStart.value_or(entry->at);
    } else if (!sounding && m_currentStart) {
        m_finishedDuration += std::max(std::chrono::microseconds{0}, entry->at - *m_currentStart);
        m_currentStart.reset();
    }
}

std::optional<AlarmLogSummary> MonitorLogAlarmSummarizer::summary(WallTime end) const
{
    if (!m_firstStart) {
        return std::nullopt;
    }
    auto total = m_finishedDuration;
    if (m_currentStart) {
        total += std::max(std::chrono::microseconds{0}, end - *m_currentStart);
    }
    return AlarmLogSummary{*m_firstStart, std::chrono::floor<std::chrono::seconds>(total), m_timesSetOff};
}

} // namespace hollerbox
