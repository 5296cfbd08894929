#include "MonitorFixture.h"

#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class SPUMovementMonitorTest : public MonitorFixture
{};

TEST_F(SPUMovementMonitorTest, PrepareWakesTheDriversBindsTheCandidateAndStreamsItsReports)
{
    hid.driverServices = {"driver0", "driver1"};
    hid.propertyWriteResult = IOReturn::notPrivileged; // recorded only; binding goes on
    device = hid.addDevice("hidraw3", accelerometerDevice("Apple SPU Accelerometer"));
    build();

    EXPECT_TRUE(monitor->prepare());
    EXPECT_THAT(messages.lines, ElementsAre("Prepared SPU movement monitor on Apple SPU Accelerometer "
                                            "source=AppleSPUHIDDevice service transport=SPU usagePage=0xff00 "
                                            "usage=0x3."));
    using Write = std::tuple<std::string, std::string, std::int32_t>;
    EXPECT_THAT(hid.propertyWrites, ElementsAre(Write{"driver0", "SensorPropertyReportingState", 1},
                                                Write{"driver0", "SensorPropertyPowerState", 1},
                                                Write{"driver0", "ReportInterval", 1000},
                                                Write{"driver1", "SensorPropertyReportingState", 1},
                                                Write{"driver1", "SensorPropertyPowerState", 1},
                                                Write{"driver1", "ReportInterval", 1000}));
    EXPECT_TRUE(device->isOpen);
    EXPECT_TRUE(device->isScheduled);
    EXPECT_EQ(device->reportBuffer.size(), 4096U);
    EXPECT_EQ(monitor->selectedSource(), "AppleSPUHIDDevice service");

    ASSERT_TRUE(device->deliver(makeSPUReport(100, -200, oneG)));
    EXPECT_EQ(detector().latestAxes(), (SPUDecodedAxes{100, -200, oneG}));

    // Prepared already: no search, no wake, no message.
    messages.lines.clear();
    EXPECT_TRUE(monitor->prepare());
    EXPECT_EQ(hid.deviceSearchCount, 1);
    EXPECT_EQ(hid.driverSearchCount, 1);
    EXPECT_THAT(messages.lines, IsEmpty());
}

TEST_F(SPUMovementMonitorTest, CandidatesRankByScoreThenProductAndNeedThePrimaryUsageFF00Slash3)
{
    auto vendorButNotUsage3 = accelerometerDevice("A vendor page device");
    vendorButNotUsage3.properties["PrimaryUsage"] = std::int64_t{1};
    vendorButNotUsage3.properties["Transport"] = std::string{"SPU"};
    hid.addDevice("hidraw0", vendorButNotUsage3);
    hid.servicesWithoutDevice = {"vanished"};
    auto noElements = accelerometerDevice("B accelerometer without elements");
    noElements.elements = std::nullopt;
    hid.addDevice("hidraw1", noElements);
    const auto lowerCaseSpu = hid.addDevice("hidraw2", accelerometerDevice("Z accelerometer", "spu"));
    const auto sameScore = hid.addDevice("hidraw3", accelerometerDevice("Y accelerometer", "SPU"));
    build();

    ASSERT_TRUE(monitor->prepare());
    // Equal scores (lower-case spu counts as SPU): the product text decides.
    EXPECT_TRUE(sameScore->isOpen);
    EXPECT_FALSE(lowerCaseSpu->isOpen);
    EXPECT_EQ(monitor->deviceSummary()->product, "Y accelerometer");
    EXPECT_EQ(SPUMovementMonitor::candidateScore(*monitor->deviceSummary()), 5 + 8 + 2);
}

TEST_F(SPUMovementMonitorTest, ADeviceWhosePrimaryUsageIsNot3IsNeverACandidate)
{
    auto state = accelerometerDevice("Vendor keyboard interface");
    state.properties["PrimaryUsage"] = std::int64_t{2};
    const auto shared = hid.addDevice("hidraw0", state);
    build();

    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(
        messages.lines,
        ElementsAre(
            "No AppleSPUHIDDevice accelerometer candidate was available for SPU movement monitoring."));
    EXPECT_EQ(shared->openCount, 0);

    // A failed search finds nothing either, and each failed prepare starts over.
    hid.deviceSearchResult = IOReturn::error;
    EXPECT_FALSE(monitor->prepare());
    EXPECT_EQ(hid.deviceSearchCount, 2);
    EXPECT_EQ(hid.driverSearchCount, 2);
    EXPECT_FALSE(monitor->isBound());
}

TEST_F(SPUMovementMonitorTest, AnOpenFailureReportsTheSignedCodeAndTriesNoOtherCandidate)
{
    auto best = accelerometerDevice("A busy accelerometer");
    best.openResult = IOReturn::exclusiveAccess;
    const auto busy = hid.addDevice("hidraw0", best);
    const auto second = hid.addDevice("hidraw1", accelerometerDevice("B accelerometer"));
    build();

    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(messages.lines,
                ElementsAre("Failed to open AppleSPUHIDDevice accelerometer. IOReturn=-536870203 "
                            "hex=0x-1ffffd3b."));
    EXPECT_EQ(busy->openCount, 1);
    EXPECT_EQ(second->openCount, 0);

    const auto result = monitor->arm(0.05);
    EXPECT_FALSE(result.isAvailable);
    EXPECT_EQ(result.detail,
              "Movement monitoring unavailable because AppleSPUHIDDevice service binding failed.");
    EXPECT_THAT(messages.lines, SizeIs(2)); // the binding's own sentence, again
}

TEST_F(SPUMovementMonitorTest, OnlyInputReportsOfEighteenBytesOrMoreEnterTheHistory)
{
    bindAccelerometer();
    ASSERT_TRUE(device->deliver(makeSPUReport(1, 2, 3, 18)));
    EXPECT_EQ(detector().latestAxes(), (SPUDecodedAxes{1, 2, 3}));

    ASSERT_TRUE(device->deliver(makeSPUReport(7, 8, 9, 17)));
    ASSERT_TRUE(device->deliver({}));
    ASSERT_TRUE(device->deliver(makeSPUReport(7, 8, 9, 64), HidReportType::feature, 1));
    ASSERT_TRUE(device->deliver(makeSPUReport(7, 8, 9, 64), HidReportType::output, 1));
    EXPECT_EQ(detector().latestAxes(), (SPUDecodedAxes{1, 2, 3}));
    EXPECT_THAT(detector().recentSamples(), SizeIs(1));

    // Reports longer than the buffer arrive cut to its 4096 bytes and still decode.
    ASSERT_TRUE(device->deliver(makeSPUReport(4, 5, 6, 10000)));
    EXPECT_EQ(detector().latestAxes(), (SPUDecodedAxes{4, 5, 6}));
}

TEST_F(SPUMovementMonitorTest, TheHistoryKeepsASampleExactlyTwoSecondsOldAndDropsOneOlder)
{
    bindAccelerometer();
    ASSERT_TRUE(device->deliver(makeSPUReport(1, 0, 0)));
    clock.advance(std::chrono::seconds{2});
    ASSERT_TRUE(device->deliver(makeSPUReport(2, 0, 0)));
    ASSERT_THAT(detector().recentSamples(), SizeIs(2));

    clock.advance(std::chrono::milliseconds{1});
    ASSERT_TRUE(device->deliver(makeSPUReport(3, 0, 0)));
    ASSERT_THAT(detector().recentSamples(), SizeIs(2));
    EXPECT_EQ(detector().recentSamples().front().axes.xRaw, 2);

    // A clock set back does not leave readings from its "future" in the history.
    clock.advance(-std::chrono::seconds{10});
    ASSERT_TRUE(device->deliver(makeSPUReport(4, 0, 0)));
    ASSERT_THAT(detector().recentSamples(), SizeIs(1));
    EXPECT_EQ(detector().recentSamples().front().axes.xRaw, 4);
}

TEST_F(SPUMovementMonitorTest, ReleaseClosesTheDeviceClearsEverythingAndTheNextPrepareSearchesAgain)
{
    bindAccelerometer();
    stream(40, 0);
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);

    monitor->releaseResources();
    EXPECT_EQ(device->closeCount, 1);
    EXPECT_FALSE(device->isScheduled);
    EXPECT_FALSE(monitor->isBound());
    EXPECT_EQ(monitor->deviceSummary(), std::nullopt);
    EXPECT_EQ(detector().latestAxes(), std::nullopt);
    EXPECT_EQ(detector().baselineAxes(), std::nullopt);
    EXPECT_THAT(detector().recentSamples(), IsEmpty());
    EXPECT_THAT(monitor->liveValues(), IsEmpty());
    EXPECT_EQ(monitor->detectMovement(), std::nullopt);
    EXPECT_EQ(monitor->selectedSource(), "AppleSPUHIDDevice service");
    monitor->releaseResources(); // harmless twice

    EXPECT_TRUE(monitor->prepare());
    EXPECT_EQ(hid.deviceSearchCount, 2);
    EXPECT_EQ(hid.driverSearchCount, 2);
    EXPECT_EQ(device->openCount, 2);

    monitor.reset();
    EXPECT_EQ(device->closeCount, 2);
}

TEST_F(SPUMovementMonitorTest,
       AHidCandidateThatCannotBeOpenedLeavesTheOtherSourcesTheirTurnAndTheyFeedDetection)
{
    auto busy = accelerometerDevice("Vendor device with the same usage");
    busy.openResult = IOReturn::notPrivileged;
    hid.addDevice("hidraw0", busy);
    FakeAccelerometerSource& source = addSource("IIO", binding("accel_3d", "IIO", "IIO accelerometer"));
    build();

    ASSERT_TRUE(monitor->prepare());
    EXPECT_THAT(messages.lines,
                ElementsAre("Failed to open AppleSPUHIDDevice accelerometer. IOReturn=-536870207 "
                            "hex=0x-1ffffd3f.",
                            "Prepared SPU movement monitor on accel_3d source=IIO accelerometer "
                            "transport=IIO usagePage=0x0 usage=0x0."));
    EXPECT_EQ(monitor->selectedSource(), "IIO accelerometer");
    for (int index = 0; index < 40; ++index) {
        clock.advance(std::chrono::milliseconds{10});
        source.sampleHandler({0, 0, oneG});
    }
    messages.lines.clear();
    EXPECT_EQ(monitor->arm(0.05).detail,
              "Movement monitoring active on accel_3d via SPU accelerometer with threshold "
              "0.0500g.");
    EXPECT_THAT(messages.lines, ElementsAre("Armed SPU monitor on accel_3d source=IIO accelerometer "
                                            "baseline=(x:0, y:0, z:65536) threshold=0.0500g."));

    monitor->releaseResources();
    EXPECT_EQ(source.releaseCount, 1);
    EXPECT_FALSE(monitor->isBound());
}

TEST_F(SPUMovementMonitorTest, SourcesAreTriedInOrderAfterTheHidDeviceAndTheFirstThatBindsWins)
{
    FakeAccelerometerSource& first = addSource("IIO accelerometers");
    first.notFoundMessage = "No IIO accelerometer was found.";
    FakeAccelerometerSource& second =
        addSource("accel_3d", binding("accel_3d", "unknown", "accel_3d source"));
    FakeAccelerometerSource& third =
        addSource("evdev accelerometers", binding("evdev", "unknown", "evdev source"));
    hid.addDevice("hidraw0", accelerometerDevice("Sensor"));
    build();

    // The HID accelerometer comes first: no other source is asked.
    ASSERT_TRUE(monitor->prepare());
    EXPECT_EQ(monitor->selectedSource(), "AppleSPUHIDDevice service");
    EXPECT_EQ(first.bindCount + second.bindCount + third.bindCount, 0);
    monitor->releaseResources();

    hid.deviceSearchResult = IOReturn::noDevice;
    messages.lines.clear();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_EQ(first.bindCount, 1);
    EXPECT_EQ(second.bindCount, 1);
    EXPECT_EQ(third.bindCount, 0);
    EXPECT_EQ(monitor->selectedSource(), "accel_3d source");
    EXPECT_THAT(messages.lines,
                ElementsAre("No IIO accelerometer was found.",
                            "Prepared SPU movement monitor on accel_3d source=accel_3d source "
                            "transport=unknown usagePage=0x0 usage=0x0."));

    // Once the sources that bound are gone, the search names everything it looked for after what the
    // sources said.
    monitor->releaseResources();
    EXPECT_EQ(second.releaseCount, 1);
    second.binding.reset();
    third.binding.reset();
    messages.lines.clear();
    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(
        messages.lines,
        ElementsAre("No IIO accelerometer was found.",
                    "No AppleSPUHIDDevice accelerometer candidate was available for SPU movement "
                    "monitoring.",
                    "Also looked for IIO accelerometers, accel_3d and evdev accelerometers; none could "
                    "be used."));
}

} // namespace
} // namespace hollerbox::testing
