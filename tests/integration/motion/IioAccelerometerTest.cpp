#include "EventLoopWait.h"
#include "IioTestbed.h"
#include "QtTestApplication.h"
#include "VirtualClock.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/motion/AccelerometerSourceEvdev.h"
#include "linux/motion/AccelerometerSourceIio.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/IioRawPoller.h"
#include "motion/AccelerometerUnits.h"
#include "motion/SPUMovementMonitor.h"

#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::int32_t kOneG = 65536;
const std::string kPrepared = "Prepared SPU movement monitor on accel_3d source=IIO accelerometer "
                              "transport=IIO usagePage=0x0 usage=0x0.";

// The movement monitor on emulated IIO accelerometers (umockdev), read by the test process through the
// testbed's directory; no HID accelerometer exists.
class IioAccelerometerTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureCoreApplication(); }

    /// The monitor on the testbed's IIO devices, in real time unless given a clock.
    std::unique_ptr<SPUMovementMonitor> makeMonitor(const Clock* clock = nullptr)
    {
        auto owned =
            std::make_unique<AccelerometerSourceIio>(mainQueue, testbed.sysfsRoot(), testbed.deviceRoot());
        source = owned.get();
        std::vector<std::unique_ptr<AccelerometerSource>> sources;
        sources.push_back(std::move(owned));
        auto monitor =
            std::make_unique<SPUMovementMonitor>(std::make_unique<HidAccessHidraw>(HidAccessHidraw::Locations{
                                                     testbed.sysfsRoot(), testbed.deviceRoot()}),
                                                 clock != nullptr ? *clock : systemClock, std::move(sources));
        monitor->setDiagnosticHandler([this](const std::string& line) { messages.push_back(line); });
        return monitor;
    }

    static bool waitForReading(const SPUMovementMonitor& monitor, const SPUDecodedAxes& axes)
    {
        return waitProcessingEvents([&] { return monitor.detector().latestAxes() == axes; });
    }

    IioTestbed testbed;
    MainQueueQt mainQueue;
    ClockSystem systemClock;
    AccelerometerSourceIio* source = nullptr;
    std::vector<std::string> messages;
};

// The detection rule on these samples is judged in virtual time by the unit tests (SampleRunTest).
TEST_F(IioAccelerometerTest, PolledRawAttributesFollowTheDeviceAndTheBaselineIsTakenFromThem)
{
    ASSERT_TRUE(testbed.addAccelerometer()) << testbed.error();
    testbed.setAcceleration({0, 0, 1});
    const auto monitor = makeMonitor();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_THAT(messages, ElementsAre(kPrepared));
    EXPECT_EQ(source->mode(), AccelerometerSourceIio::Mode::polling);
    ASSERT_TRUE(waitForReading(*monitor, {0, 0, kOneG}));
    ASSERT_TRUE(waitProcessingEvents([&] { return monitor->detector().recentSamples().size() >= 20; }));

    messages.clear();
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    EXPECT_THAT(messages,
                ElementsAre("Armed SPU monitor on accel_3d source=IIO accelerometer baseline=(x:0, y:0, "
                            "z:65536) threshold=0.0500g."));
    testbed.setAcceleration({0.1, -0.005, 0.995});
    EXPECT_TRUE(waitForReading(*monitor, countsFromG({0.1, -0.005, 0.995})));

    monitor->releaseResources();
    EXPECT_EQ(source->mode(), AccelerometerSourceIio::Mode::none);
}

TEST_F(IioAccelerometerTest, TheBufferIsSetUpReadAsBinaryScansInAnyPiecesAndLeftAsItWasFound)
{
    ASSERT_TRUE(testbed.addAccelerometer({.scaleAttribute = "in_accel_x_scale", .buffered = true}))
        << testbed.error();
    VirtualClock clock;
    const auto monitor = makeMonitor(&clock);
    ASSERT_TRUE(monitor->prepare());
    ASSERT_EQ(source->mode(), AccelerometerSourceIio::Mode::buffer);
    EXPECT_THAT(messages, ElementsAre(kPrepared));
    EXPECT_EQ(testbed.attribute("scan_elements/in_accel_x_en"), "1");
    EXPECT_EQ(testbed.attribute("scan_elements/in_accel_z_en"), "1");
    EXPECT_EQ(testbed.attribute("trigger/current_trigger"), "accel_3d-dev0");
    EXPECT_EQ(testbed.attribute("buffer/enable"), "1");

    const auto scan = IioTestbed::scanOf(testbed.rawFor({0, 0, 1}), 1000);
    ASSERT_TRUE(testbed.writeToBuffer(scan));
    ASSERT_TRUE(waitForReading(*monitor, {0, 0, kOneG}));

    // A scan cut in two arrives once whole; two scans in one piece arrive as two.
    const auto first = IioTestbed::scanOf(testbed.rawFor({0.25, -0.5, 1}));
    ASSERT_TRUE(testbed.writeToBuffer(std::span{first}.first(10)));
    processEventsFor(std::chrono::milliseconds{50});
    EXPECT_EQ(monitor->detector().latestAxes(), (SPUDecodedAxes{0, 0, kOneG}));
    ASSERT_TRUE(testbed.writeToBuffer(std::span{first}.subspan(10)));
    ASSERT_TRUE(waitForReading(*monitor, countsFromG({0.25, -0.5, 1})));
    const std::size_t before = monitor->detector().recentSamples().size();
    auto pair = IioTestbed::scanOf(testbed.rawFor({0, 0, 1}));
    const auto second = IioTestbed::scanOf(testbed.rawFor({0, -1, 0}));
    pair.insert(pair.end(), second.begin(), second.end());
    ASSERT_TRUE(testbed.writeToBuffer(pair));
    ASSERT_TRUE(waitForReading(*monitor, countsFromG({0, -1, 0})));
    EXPECT_EQ(monitor->detector().recentSamples().size(), before + 2);
    EXPECT_TRUE(monitor->arm(0.05).isAvailable);

    monitor->releaseResources();
    EXPECT_EQ(testbed.attribute("buffer/enable"), "0");
    EXPECT_EQ(testbed.attribute("scan_elements/in_accel_x_en"), "0");
}

TEST_F(IioAccelerometerTest, ADisplayMountedSensorIsPreferredAndAnUnusableOneIsSkippedWithTheReason)
{
    ASSERT_TRUE(testbed.addAccelerometer({.number = 0, .name = "broken", .scale = "0"})) << testbed.error();
    ASSERT_TRUE(testbed.addAccelerometer({.number = 1, .name = "accel-base-part", .label = "accel-base"}));
    ASSERT_TRUE(testbed.addAccelerometer({.number = 2, .name = "accel-lid-part", .location = "lid"}));
    const auto monitor = makeMonitor();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_THAT(messages,
                ElementsAre("Prepared SPU movement monitor on accel-lid-part source=IIO accelerometer "
                            "transport=IIO usagePage=0x0 usage=0x0."));
    monitor->releaseResources();

    testbed.removeAccelerometer(2);
    messages.clear();
    ASSERT_TRUE(monitor->prepare());
    // The device of unknown placement comes before the base's, but its scale cannot be used.
    EXPECT_THAT(
        messages,
        ElementsAre("Skipped IIO accelerometer broken (iio:device0) because in_accel_scale reads \"0\", "
                    "which is no usable scale.",
                    "Prepared SPU movement monitor on accel-base-part source=IIO accelerometer "
                    "transport=IIO usagePage=0x0 usage=0x0."));
    monitor->releaseResources();

    testbed.removeAccelerometer(1);
    messages.clear();
    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(
        messages,
        ElementsAre("Skipped IIO accelerometer broken (iio:device0) because in_accel_scale reads \"0\", "
                    "which is no usable scale.",
                    "No AppleSPUHIDDevice accelerometer candidate was available for SPU movement monitoring.",
                    "Also looked for IIO accelerometers under " + testbed.sysfsRoot() +
                        "/bus/iio/devices; none could be used."));
}

TEST_F(IioAccelerometerTest, GarbledValuesAndAVanishingDeviceAreReportedOnceAndNeverStallTheMainThread)
{
    ASSERT_TRUE(testbed.addAccelerometer({.mountMatrix = "0, 1, 0; 1, 0, 0; 0, 0, 1"})) << testbed.error();
    testbed.setAcceleration({0.5, 0, 1});
    const auto monitor = makeMonitor();
    ASSERT_TRUE(monitor->prepare());
    // The mount matrix swaps x and y.
    ASSERT_TRUE(waitForReading(*monitor, countsFromG({0, 0.5, 1})));

    messages.clear();
    testbed.setAttribute("in_accel_y_raw", "12 fish");
    ASSERT_TRUE(waitProcessingEvents([&] { return !messages.empty(); }));
    EXPECT_THAT(messages, ElementsAre("IIO accelerometer accel_3d (iio:device0) gives no readings: " +
                                      testbed.sysfsRoot() +
                                      "/bus/iio/devices/iio:device0/in_accel_y_raw holds no "
                                      "whole number."));
    // Longer than the poller's retry after a failure, so that the failure is read again.
    testbed.setAttribute("in_accel_y_raw", "");
    processEventsFor(IioRawPoller::failingPeriod + std::chrono::milliseconds{500});
    EXPECT_EQ(messages.size(), 1U) << "a failure that goes on is reported once";

    testbed.setAcceleration({0, 0, -1});
    // After a failure the poller looks again within a second.
    ASSERT_TRUE(waitProcessingEvents(
        [&] {
            return monitor->detector().latestAxes() == countsFromG({0, 0, -1});
        },
        std::chrono::seconds{3}));

    messages.clear();
    testbed.removeAccelerometer();
    ASSERT_TRUE(waitProcessingEvents([&] { return !messages.empty(); }));
    EXPECT_THAT(messages[0], HasSubstr("/in_accel_x_raw cannot be opened: No such file or directory."));
    monitor->releaseResources();
    EXPECT_FALSE(monitor->isBound());
}

TEST_F(IioAccelerometerTest, NodesThatCannotBeOpenedAreNamedWithTheReason)
{
    ASSERT_TRUE(testbed.addAccelerometer({.buffered = true})) << testbed.error();
    testbed.removeDeviceNode("iio:device0");
    ASSERT_TRUE(testbed.addDevices("evdev-accelerometer.umockdev")) << testbed.error();
    testbed.removeDeviceNode("input/event5");
    const auto monitor = makeMonitor();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_EQ(source->mode(), AccelerometerSourceIio::Mode::polling);
    EXPECT_EQ(testbed.attribute("buffer/enable"), "0");
    EXPECT_THAT(
        messages,
        ElementsAre("Polling the raw attributes of IIO accelerometer accel_3d (iio:device0) because " +
                        testbed.deviceRoot() + "/iio:device0 cannot be opened: No such file or directory.",
                    kPrepared));

    AccelerometerSourceEvdev evdev{testbed.sysfsRoot(), testbed.deviceRoot()};
    messages.clear();
    EXPECT_EQ(evdev.bind([](const SPUDecodedAxes&) {},
                         [this](const std::string& line) { messages.push_back(line); }),
              std::nullopt);
    EXPECT_THAT(messages,
                ElementsAre("Cannot open " + testbed.deviceRoot() +
                            "/input/event5 of evdev accelerometer ST LIS3LV02DL Accelerometer: No such file "
                            "or directory."));
}

TEST_F(IioAccelerometerTest, ABufferThatStaysSilentGivesWayToPollingTheRawAttributes)
{
    ASSERT_TRUE(testbed.addAccelerometer({.buffered = true})) << testbed.error();
    testbed.setAcceleration({0, 1, 0});
    const auto monitor = makeMonitor();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_EQ(source->mode(), AccelerometerSourceIio::Mode::buffer);
    messages.clear();
    ASSERT_TRUE(waitForReading(*monitor, {0, kOneG, 0}));
    EXPECT_EQ(source->mode(), AccelerometerSourceIio::Mode::polling);
    EXPECT_EQ(testbed.attribute("buffer/enable"), "0");
    EXPECT_THAT(messages,
                ElementsAre("IIO accelerometer accel_3d (iio:device0) gave no scans through its buffer "
                            "within 1000 ms, so its raw attributes are polled instead."));
}

TEST_F(IioAccelerometerTest, AReadThatBlocksInTheDriverHoldsUpNeitherBindingNorRelease)
{
    ASSERT_TRUE(testbed.addAccelerometer()) << testbed.error();
    // A FIFO in place of a raw attribute: reading it waits until someone writes, like a stuck driver.
    const std::string attribute = testbed.rootDirectory() + testbed.sysfsPath() + "/in_accel_x_raw";
    std::filesystem::remove(attribute);
    ASSERT_EQ(::mkfifo(attribute.c_str(), 0600), 0);

    const auto monitor = makeMonitor();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(monitor->prepare());
    processEventsFor(std::chrono::milliseconds{100});
    EXPECT_EQ(monitor->detector().latestAxes(), std::nullopt);
    monitor->releaseResources();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds{2});

    // Let the blocked read finish; the stopped poller must deliver nothing.
    const int writer = ::open(attribute.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(::write(writer, "5\n", 2), 2);
    ::close(writer);
    processEventsFor(std::chrono::milliseconds{100});
    EXPECT_EQ(monitor->detector().latestAxes(), std::nullopt);
}

} // namespace
} // namespace hollerbox::testing
