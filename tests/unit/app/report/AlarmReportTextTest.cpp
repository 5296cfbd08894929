#include "model/report/AlarmReportText.h"

#include "MonitorLogLines.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

TEST(AlarmReportTextTest, DurationKeepsTheTwoLargestUnits)
{
    const std::pair<std::chrono::seconds, const char*> cases[] = {
        {0s, "less than 1 s"},  {1s, "1 s"},    {59s, "59 s"},        {60s, "1 min"}, {80s, "1 min 20 s"},
        {3599s, "59 min 59 s"}, {3600s, "1 h"}, {7505s, "2 h 5 min"},
    };
    for (const auto& [duration, expected] : cases) {
        EXPECT_EQ(AlarmReportText::duration(duration).toStdString(), expected) << duration.count();
    }
}

struct BodyCase
{
    const char* name;
    AlarmLogSummary summary;
    WallTime now;
    const char* expected;

    friend void PrintTo(const BodyCase& row, std::ostream* out) { *out << row.name; }
};

QDateTime utc(WallTime time)
{
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count(), Qt::UTC);
}

// Two hours east of UTC, so that local time is visibly not UTC.
const QTimeZone zone{2 * 3600};

const BodyCase bodyCases[] = {
    {"SameDaySetOffTwice",
     {utcTime(12, 3, 12), 80s, 2},
     utcTime(12, 5, 0),
     "Someone moved this laptop while it was locked. The alarm started at 14:03:12, sounded for 1 min 20 s "
     "and was set off 2 times."},
    {"SetOffOnce",
     {utcTime(12, 3, 12), 42s, 1},
     utcTime(12, 5, 0),
     "Someone moved this laptop while it was locked. The alarm started at 14:03:12, sounded for 42 s and was "
     "set off once."},
    // 23:30 local on 1 May, unlocked at 00:30 local on 2 May.
    {"LocalDayBefore",
     {utcTime(21, 30, 0), 3600s, 1},
     utcTime(22, 30, 0),
     "Someone moved this laptop while it was locked. The alarm started on Fri 1 May at 23:30:00, sounded for "
     "1 h and was set off once."},
};

class AlarmReportBodyTest : public ::testing::TestWithParam<BodyCase>
{};

TEST_P(AlarmReportBodyTest, SaysWhenHowLongAndHowOftenInLocalTime)
{
    const auto& row = GetParam();
    EXPECT_EQ(AlarmReportText::body(row.summary, utc(row.now), zone).toStdString(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Bodies, AlarmReportBodyTest, ::testing::ValuesIn(bodyCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
