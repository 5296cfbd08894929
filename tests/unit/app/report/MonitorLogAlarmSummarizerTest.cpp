#include "report/MonitorLogAlarmSummarizer.h"

#include "MonitorLogLines.h"

#include <gtest/gtest.h>
#include <vector>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using State = OpenLidAlarmState;
using Entry = MonitorLogAlarmSummarizer::Entry;

struct LineCase
{
    const char* name;
    std::string line;
    std::optional<Entry> expected;

    friend void PrintTo(const LineCase& row, std::ostream* out) { *out << row.name; }
};

const WallTime t0 = utcTime(14, 3, 12);

const LineCase lineCases[] = {
    {"Triggered", snapshotLine(t0, State::triggered), Entry{t0, State::triggered}},
    {"PendingArm", snapshotLine(t0, State::pendingArm), Entry{t0, State::pendingArm}},
    {"CutAfterTheState", "2026-05-01T14:03:12Z state=triggered", Entry{t0, State::triggered}},
    {"CutInTheFlags", "2026-05-01T14:03:12Z state=armed locked=tr", Entry{t0, State::armed}},
    {"CutInTheState", "2026-05-01T14:03:12Z state=trigg", std::nullopt},
    {"CutAtTheKey", "2026-05-01T14:03:12Z state=", std::nullopt},
    {"CutInTheTime", "2026-05-01T14:03:1", std::nullopt},
    {"Empty", "", std::nullopt},
    {"StartLine", std::string{BackgroundMonitorLogger::startLine}, std::nullopt},
    {"TerminationLine", std::string{BackgroundMonitorLogger::terminationLine}, std::nullopt},
    {"DiagnosticEntry", "2026-05-01T14:03:12Z  State changed to triggered.", std::nullopt},
    {"StateOnlyInsideAText", "2026-05-01T14:03:12Z detail=\" state=triggered\"", std::nullopt},
    {"StateInOtherCase", "2026-05-01T14:03:12Z state=Triggered", std::nullopt},
    {"MonthThirteen", "2026-13-01T14:03:12Z state=triggered", std::nullopt},
    {"February30", "2026-02-30T14:03:12Z state=triggered", std::nullopt},
    {"Hour24", "2026-05-01T24:00:00Z state=triggered", std::nullopt},
    {"SignedYear", "+026-05-01T14:03:12Z state=triggered", std::nullopt},
    {"SpaceForT", "2026-05-01 14:03:12Z state=triggered", std::nullopt},
    {"Offset", "2026-05-01T14:03:12+02:00 state=triggered", std::nullopt},
    {"Binary", std::string{"2026-05-01T14:03:12Z\0state=triggered\xff", 37}, std::nullopt},
};

class MonitorLogLineTest : public ::testing::TestWithParam<LineCase>
{};

TEST_P(MonitorLogLineTest, ReadsOnlyWholeSnapshotStates)
{
    EXPECT_EQ(MonitorLogAlarmSummarizer::parseLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, MonitorLogLineTest, ::testing::ValuesIn(lineCases),
                         [](const auto& info) { return std::string{info.param.name}; });

struct LogCase
{
    const char* name;
    std::vector<std::string> lines;
    WallTime end;
    std::optional<AlarmLogSummary> expected;

    friend void PrintTo(const LogCase& row, std::ostream* out) { *out << row.name; }
};

std::string at(int h, int m, int s, State state, std::string detail = "Detail.")
{
    return snapshotLine(utcTime(h, m, s), state, std::move(detail));
}

const std::string started{BackgroundMonitorLogger::startLine};
const std::string terminated{BackgroundMonitorLogger::terminationLine};

const LogCase logCases[] = {
    {"NeverTriggered",
     {started, at(14, 0, 0, State::pendingArm), at(14, 0, 2, State::armed), terminated},
     utcTime(15, 0, 0),
     std::nullopt},
    {"SoundingUntilUnlock",
     {started, at(14, 0, 2, State::armed), at(14, 3, 12, State::triggered, "Lift."),
      at(14, 3, 13, State::triggered, "Alarm is active."), terminated},
     utcTime(14, 4, 32, 600ms),
     AlarmLogSummary{utcTime(14, 3, 12), 80s, 1}},
    {"TwoEntriesSummed",
     {at(14, 3, 12, State::triggered), at(14, 3, 42, State::armed), at(14, 4, 12, State::triggered)},
     utcTime(14, 5, 2),
     AlarmLogSummary{utcTime(14, 3, 12), 80s, 2}},
    {"EndedInTheLog",
     {at(14, 3, 12, State::triggered), at(14, 4, 0, State::idle)},
     utcTime(15, 0, 0),
     AlarmLogSummary{utcTime(14, 3, 12), 48s, 1}},
    {"GarbageAndCutLinesChangeNothing",
     {at(14, 3, 12, State::triggered), "\x01\x02 garbage", "2026-05-01T14:03:3",
      "2026-05-01T14:03:50Z state=arm", at(14, 4, 0, State::armed), "2026-05-01T14:04:10Z state=trigg"},
     utcTime(15, 0, 0),
     AlarmLogSummary{utcTime(14, 3, 12), 48s, 1}},
    {"ClockSteppedBack",
     {at(14, 3, 12, State::triggered), at(14, 2, 0, State::armed), at(14, 5, 0, State::triggered)},
     utcTime(14, 4, 0),
     AlarmLogSummary{utcTime(14, 3, 12), 0s, 2}},
};

class MonitorLogSummaryTest : public ::testing::TestWithParam<LogCase>
{};

TEST_P(MonitorLogSummaryTest, SumsTheAlarms)
{
    const auto& row = GetParam();
    MonitorLogAlarmSummarizer summarizer;
    for (const auto& line : row.lines) {
        summarizer.addLine(line);
    }
    EXPECT_EQ(summarizer.summary(row.end), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Logs, MonitorLogSummaryTest, ::testing::ValuesIn(logCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
