#include "MonitorFixture.h"
#include "motion/AccelerometerUnits.h"

#include <functional>
#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Reports arrive every 10 ms, so a 0.3 s window holds the last 31 of them.
class MovementDetectionTest : public MonitorFixture
{
protected:
    void SetUp() override { bindAccelerometer(); }

    /// Half a second at rest, then armed with `thresholdG`.
    void armAtRest(double thresholdG = 0.05)
    {
        stream(50, 0);
        ASSERT_TRUE(monitor->arm(thresholdG).isAvailable);
        messages.lines.clear();
    }

    static MovementMonitorLiveValue live(std::int64_t usage, std::int64_t current,
                                         std::optional<std::int64_t> baseline)
    {
        return {0, 0xFF00, usage, current, baseline, std::nullopt};
    }
};

TEST_F(MovementDetectionTest, ArmingTakesTheBaselineFromTheLast350MillisecondsRoundedHalfAwayFromZero)
{
    stream(40, 5000);
    stream(1, 300);
    clock.advance(std::chrono::milliseconds{400}); // those are older than 0.35 s by the time of arming
    monitor->arm(0.05);
    EXPECT_THAT(messages.lines, ElementsAre("Armed SPU monitor on Sensor source=AppleSPUHIDDevice service "
                                            "baseline=(x:300, y:0, z:65536) threshold=0.0500g."))
        << "with only older readings the latest one is the baseline";
    messages.lines.clear();
    stream(1, 1, -1, oneG);
    stream(1, 2, -2, oneG + 1);
    const auto result = monitor->arm(0.05);
    EXPECT_TRUE(result.isAvailable);
    EXPECT_EQ(result.detail,
              "Movement monitoring active on Sensor via SPU accelerometer with threshold 0.0500g.");
    // Means 1.5, -1.5 and 65536.5 round away from zero.
    EXPECT_THAT(messages.lines, ElementsAre("Armed SPU monitor on Sensor source=AppleSPUHIDDevice service "
                                            "baseline=(x:2, y:-2, z:65537) threshold=0.0500g."));
    EXPECT_EQ(detector().baselineAxes(), (SPUDecodedAxes{2, -2, oneG + 1}));

    // A sample exactly as old as the window still counts.
    stream(1, 10);
    clock.advance(std::chrono::milliseconds{340});
    stream(1, 20);
    EXPECT_EQ(detector().averagedAxes(0.35), (SPUDecodedAxes{15, 0, oneG}));
    clock.advance(std::chrono::milliseconds{1});
    EXPECT_EQ(detector().averagedAxes(0.35), (SPUDecodedAxes{20, 0, oneG}));
    EXPECT_EQ(detector().averagedAxes(0.001), (SPUDecodedAxes{20, 0, oneG}));
    clock.advance(std::chrono::seconds{1});
    EXPECT_EQ(detector().averagedAxes(0.35), std::nullopt);
}

TEST_F(MovementDetectionTest, WithoutAnyReadingArmingStabilizesAndNothingIsEverDetected)
{
    const auto result = monitor->arm(0.05);
    EXPECT_TRUE(result.isAvailable);
    EXPECT_EQ(result.detail, "Movement monitoring active on Sensor, but baseline is still stabilizing.");
    EXPECT_THAT(messages.lines,
                ElementsAre("Armed SPU monitor on Sensor without an immediate baseline sample."));

    for (int round = 0; round < 10; ++round) {
        stream(31, 30000);
        EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    }
    EXPECT_THAT(messages.lines,
                ElementsAre("Armed SPU monitor on Sensor without an immediate baseline sample."));
    EXPECT_EQ(detector().baselineAxes(), std::nullopt);
    EXPECT_EQ(detector().lastObservedDeltaG(), 0.0);
}

TEST_F(MovementDetectionTest, ACandidateHeldForTwoTenthsOfASecondIsConfirmedWithItsLargestDelta)
{
    armAtRest();
    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_THAT(messages.lines,
                ElementsAre("Observed SPU motion candidate delta=0.0625g baseline=(0, 0, 65536) "
                            "current=(4096, 0, 65536) holdingFor=0.20s."));
    EXPECT_THAT(monitor->liveValues(), ElementsAre(live(0x301, 4096, 0), live(0x302, 0, 0),
                                                   live(0x303, oneG, oneG), live(0x310, 625, 0)));

    // 0.1 s later: 21 readings of 4096 and 10 of 8192 average to 5417 (0.0827 g).
    stream(10, 8192);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    // 0.2 s after the start: 11 of 4096, 10 of 8192, 10 of 0 average to 4096 again.
    stream(10, 0);
    const auto event = monitor->detectMovement();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->detail, "Movement detected from Sensor via SPU accelerometer (delta 0.0827g).");
    EXPECT_EQ(messages.lines.back(),
              "Confirmed SPU movement delta=0.0827g on Sensor after 0.20s above threshold.");
    EXPECT_EQ(messages.lines.size(), 2U);
    EXPECT_EQ(detector().pendingCandidate(), std::nullopt);
}

TEST_F(MovementDetectionTest, ACandidateOpenedBeforeTheClockWasSetBackIsStillConfirmed)
{
    armAtRest();
    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    clock.advance(-std::chrono::microseconds{std::chrono::minutes{10}});
    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt); // the candidate starts over at the new time
    stream(21, 4096);
    EXPECT_TRUE(monitor->detectMovement().has_value());
}

TEST_F(MovementDetectionTest, AReadingBelowTheThresholdDropsTheCandidateAndTheNextOneStartsOver)
{
    armAtRest();
    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    stream(10, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    // 0.15 s after the start: 26 of 4096 and 5 of -4096 average to 2775 (0.0423 g).
    stream(5, -4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_EQ(
        messages.lines.back(),
        "Dropped SPU motion candidate after 0.15s because the smoothed delta returned below threshold.");

    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_EQ(messages.lines.back(), "Observed SPU motion candidate delta=0.0625g baseline=(0, 0, 65536) "
                                     "current=(4096, 0, 65536) holdingFor=0.20s.");
    EXPECT_EQ(messages.lines.size(), 3U);
    stream(20, 4096);
    EXPECT_TRUE(monitor->detectMovement());
}

TEST_F(MovementDetectionTest, ADeltaEqualToTheThresholdCountsAndOneCountLessDoesNot)
{
    armAtRest(0.0625);
    stream(31, 4095);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_THAT(messages.lines, IsEmpty());
    stream(31, 4096);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_THAT(messages.lines,
                ElementsAre("Observed SPU motion candidate delta=0.0625g baseline=(0, 0, 65536) "
                            "current=(4096, 0, 65536) holdingFor=0.20s."));
}

TEST_F(MovementDetectionTest, ThresholdsBelowOneHundredthOfAGUseTheFloorButTextsShowTheRequest)
{
    stream(50, 0);
    const auto result = monitor->arm(0.005);
    EXPECT_EQ(result.detail,
              "Movement monitoring active on Sensor via SPU accelerometer with threshold 0.0050g.");
    EXPECT_THAT(messages.lines, ElementsAre("Armed SPU monitor on Sensor source=AppleSPUHIDDevice service "
                                            "baseline=(x:0, y:0, z:65536) threshold=0.0050g."));
    EXPECT_EQ(detector().thresholdG(), 0.01);
    messages.lines.clear();

    stream(31, 524); // 0.0080 g: above the request, below the floor
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_THAT(messages.lines, IsEmpty());
    stream(31, 662); // 0.0101 g
    monitor->detectMovement();
    EXPECT_THAT(messages.lines,
                ElementsAre("Observed SPU motion candidate delta=0.0101g baseline=(0, 0, 65536) "
                            "current=(662, 0, 65536) holdingFor=0.20s."));

    // A threshold that is not a number would never fire: the floor is used.
    monitor->arm(std::nan(""));
    EXPECT_EQ(detector().thresholdG(), 0.01);
}

TEST_F(MovementDetectionTest, AfterAMovementTheSameBaselineJudgesTheNextOne)
{
    armAtRest();
    stream(31, 8192);
    monitor->detectMovement();
    stream(20, 8192);
    ASSERT_TRUE(monitor->detectMovement());

    stream(100, 0); // back at rest: nothing pending, nothing said
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    stream(31, 0, 8192);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_EQ(messages.lines.back(), "Observed SPU motion candidate delta=0.1250g baseline=(0, 0, 65536) "
                                     "current=(0, 8192, 65536) holdingFor=0.20s.");
    stream(25, 0, 8192);
    const auto second = monitor->detectMovement();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->detail, "Movement detected from Sensor via SPU accelerometer (delta 0.1250g).");
    EXPECT_EQ(messages.lines.back(),
              "Confirmed SPU movement delta=0.1250g on Sensor after 0.25s above threshold.");
}

TEST_F(MovementDetectionTest, WhenReportsStopTheLastReportIsComparedWithTheBaseline)
{
    armAtRest();
    stream(1, 8192);
    clock.advance(std::chrono::seconds{1});
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_EQ(detector().lastObservedDeltaG(), 0.125);
    clock.advance(std::chrono::seconds{5}); // the history is gone; the latest reading stays
    EXPECT_TRUE(monitor->detectMovement());
}

TEST_F(MovementDetectionTest, LiveValuesShowTheLatestReportAndLoseTheBaselineOnDisarm)
{
    EXPECT_THAT(monitor->liveValues(), IsEmpty());
    stream(1, 10, 20, 30);
    EXPECT_THAT(monitor->liveValues(),
                ElementsAre(live(0x301, 10, std::nullopt), live(0x302, 20, std::nullopt),
                            live(0x303, 30, std::nullopt), live(0x310, 0, 0)));
    armAtRest();
    stream(31, 3277); // 0.050003 g shows as 500
    monitor->detectMovement();
    EXPECT_EQ(monitor->liveValues().back(), live(0x310, 500, 0));
    EXPECT_EQ(monitor->liveValues().front().deltaFromBaseline(), 3277);

    monitor->disarm();
    EXPECT_THAT(monitor->liveValues(),
                ElementsAre(live(0x301, 3277, std::nullopt), live(0x302, 0, std::nullopt),
                            live(0x303, oneG, std::nullopt), live(0x310, 0, 0)));
    EXPECT_EQ(detector().pendingCandidate(), std::nullopt);
    EXPECT_EQ(detector().thresholdG(), 0.05);
    stream(31, 30000);
    EXPECT_EQ(monitor->detectMovement(), std::nullopt); // disarmed: nothing judged
    EXPECT_EQ(detector().latestAxes(), (SPUDecodedAxes{30000, 0, oneG}));
}

TEST_F(MovementDetectionTest, ReArmingTakesAFreshBaselineAndClearsTheCandidate)
{
    armAtRest();
    stream(31, 8192);
    monitor->detectMovement();
    ASSERT_TRUE(detector().pendingCandidate());
    stream(5, 8192); // the 0.35 s window now holds only these readings
    monitor->arm(0.2);
    EXPECT_EQ(detector().pendingCandidate(), std::nullopt);
    EXPECT_EQ(detector().baselineAxes(), (SPUDecodedAxes{8192, 0, oneG}));
    EXPECT_EQ(detector().lastObservedDeltaG(), 0.0);
    EXPECT_EQ(detector().thresholdG(), 0.2);
}

// The samples the emulated hidraw and IIO accelerometers deliver in the integration tests, one every 10 ms,
// with the monitor polled every 50 ms.
struct SampleRunCase
{
    const char* name;
    int reports;
    std::function<SPUDecodedAxes(int report)> sample;
    std::vector<std::string> events;

    friend void PrintTo(const SampleRunCase& row, std::ostream* out) { *out << row.name; }
};

const SampleRunCase sampleRunCases[] = {
    {"DeskJitterOfFiveThousandthsOfAGOnEveryAxisIsNone",
     80,
     [](int report) {
         const double sign = report % 2 == 0 ? 1.0 : -1.0;
         return countsFromG({0.005 * sign, -0.005 * sign, 1 + 0.005 * sign});
     },
     {}},
    // The smoothed delta peaks at 30/31 of the tilt at its end.
    {"ATenthGTiltHeldForThreeTenthsOfASecondIsOneMovement",
     150,
     [](int report) {
         return SPUDecodedAxes{report <= 30 ? 6554 : 0, 0, 65536};
     },
     {"Movement detected from Sensor via SPU accelerometer (delta 0.0968g)."}},
    {"ATiltThatAlsoLowersZIsMeasuredOnAllAxes",
     100,
     [](int report) {
         return countsFromG(report <= 30 ? std::array{0.1, 0.0, 0.995} : std::array{0.0, 0.0, 1.0});
     },
     {"Movement detected from Sensor via SPU accelerometer (delta 0.0969g)."}},
};

class SampleRunTest : public MonitorFixture, public ::testing::WithParamInterface<SampleRunCase>
{};

TEST_P(SampleRunTest, GivesTheExpectedMovements)
{
    const SampleRunCase& row = GetParam();
    bindAccelerometer();
    stream(50, 0);
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    std::vector<std::string> events;
    for (int report = 1; report <= row.reports; ++report) {
        const SPUDecodedAxes axes = row.sample(report);
        stream(1, axes.xRaw, axes.yRaw, axes.zRaw);
        if (report % 5 == 0) {
            if (auto event = monitor->detectMovement()) {
                events.push_back(event->detail);
            }
        }
    }
    EXPECT_EQ(events, row.events);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleRunTest, ::testing::ValuesIn(sampleRunCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
