#include "EventLoopWait.h"
#include "IioTestbed.h"
#include "QtTestApplication.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/LinuxAccelerometerSources.h"
#include "motion/SPUMovementMonitor.h"

#include <QTimer>
#include <gmock/gmock.h>
#include <iostream>

namespace hollerbox::testing {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr std::int32_t kOneG = 65536;
constexpr std::int32_t kHalfG = 32768;
constexpr std::int32_t kTenthG = 6554;

// The movement monitor as the programs build it (hidraw, then IIO, then evdev) on emulated devices, armed and
// polled every 250 ms in real time while the test makes its sensor fail.
class SensorFaultTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureCoreApplication(); }

    void TearDown() override
    {
        testbed.stopStreaming();
        if (HasFailure()) {
            for (const auto& line : messages) {
                std::cerr << "monitor: " << line << '\n';
            }
        }
    }

    void start()
    {
        const LinuxAccelerometerRoots roots{testbed.sysfsRoot(), testbed.deviceRoot()};
        monitor = std::make_unique<SPUMovementMonitor>(
            std::make_unique<HidAccessHidraw>(HidAccessHidraw::Locations{roots.sysfsRoot, roots.deviceRoot}),
            clock, makeLinuxAccelerometerSources(mainQueue, roots));
        monitor->setDiagnosticHandler([this](const std::string& line) { messages.push_back(line); });
        ASSERT_TRUE(monitor->prepare());
        QObject::connect(&poll, &QTimer::timeout, &poll, [this] {
            if (auto event = monitor->detectMovement()) {
                events.push_back(*event);
            }
        });
    }

    /// Waits until a line containing `fragment` has been given.
    bool waitForLine(const std::string& fragment, std::chrono::milliseconds limit = 3s)
    {
        return waitProcessingEvents(
            [&] {
                return std::any_of(messages.begin(), messages.end(), [&](const auto& line) {
                    return line.find(fragment) != std::string::npos;
                });
            },
            limit);
    }

    IioTestbed testbed;
    MainQueueQt mainQueue;
    ClockSystem clock;
    std::unique_ptr<SPUMovementMonitor> monitor;
    QTimer poll;
    std::vector<std::string> messages;
    std::vector<MovementDetectionEvent> events;
};

TEST_F(SensorFaultTest, AHidAccelerometerThatGoesAwayWhileArmedIsSaidBoundAgainWhenBackAndALaterLiftIsCaught)
{
    ASSERT_TRUE(testbed.addDevices("spu-accelerometer.umockdev")) << testbed.error();
    start();
    testbed.startStreaming("hidraw0");
    ASSERT_TRUE(waitProcessingEvents([&] { return monitor->detector().recentSamples().size() >= 40; }));
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    poll.start(250ms);

    // A driver reload: the node hangs up, and the device comes back as another node and device.
    testbed.stopStreaming();
    testbed.removeDevice("/sys/devices/platform/apple-spu/0019:05AC:8104.0001/hidraw/hidraw0");
    testbed.removeDevice("/sys/devices/platform/apple-spu/0019:05AC:8104.0001");
    testbed.hangUpNode("hidraw0");
    EXPECT_TRUE(waitForLine(
        "Movement monitor lost Apple SPU Accelerometer source=AppleSPUHIDDevice service (" +
        testbed.deviceRoot() + "/hidraw0: the node came to its end); binding an accelerometer again."));
    EXPECT_FALSE(monitor->isBound());
    processEventsFor(1500ms); // searches that find nothing stay quiet
    EXPECT_THAT(messages.back(), HasSubstr("Movement monitor lost"));

    ASSERT_TRUE(
        testbed.addDevices("spu-accelerometer.umockdev", {{"hidraw0", "hidraw1"}, {".0001", ".0002"}}))
        << testbed.error();
    testbed.setStreamedAxes(kHalfG, 0, kOneG); // back on a tilted desk: the new rest
    testbed.startStreaming("hidraw1");
    EXPECT_TRUE(waitForLine("Prepared SPU movement monitor on Apple SPU Accelerometer"));
    ASSERT_TRUE(waitForLine("Armed SPU monitor on Apple SPU Accelerometer source=AppleSPUHIDDevice service "
                            "baseline=(x:32768, y:0, z:65536) threshold=0.0500g."));
    processEventsFor(500ms);
    EXPECT_TRUE(events.empty()) << "the new rest must not count as movement";

    testbed.setStreamedAxes(kHalfG + kTenthG, 0, kOneG);
    ASSERT_TRUE(waitProcessingEvents([&] { return !events.empty(); }, 3s));
    EXPECT_THAT(events.front().detail, HasSubstr("Movement detected from Apple SPU Accelerometer"));
}

TEST_F(SensorFaultTest, AnIioAccelerometerThatGoesAwayWhileArmedIsBoundAgainWhenBackAndALaterLiftIsCaught)
{
    ASSERT_TRUE(testbed.addAccelerometer()) << testbed.error();
    testbed.setAcceleration({0, 0, 1});
    start();
    ASSERT_TRUE(waitProcessingEvents([&] { return monitor->detector().recentSamples().size() >= 20; }));
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    poll.start(250ms);

    testbed.removeAccelerometer();
    EXPECT_TRUE(waitForLine("IIO accelerometer accel_3d (iio:device0) gives no readings: "));
    EXPECT_TRUE(
        waitForLine("Movement monitor lost accel_3d source=IIO accelerometer; binding an accelerometer "
                    "again."));

    ASSERT_TRUE(testbed.addAccelerometer()) << testbed.error();
    testbed.setAcceleration({0.5, 0, 0.866});
    EXPECT_TRUE(waitForLine("Prepared SPU movement monitor on accel_3d source=IIO accelerometer"));
    ASSERT_TRUE(waitForLine("Armed SPU monitor on accel_3d source=IIO accelerometer baseline=(x:32768"));

    testbed.setAcceleration({0.6, 0, 0.8});
    ASSERT_TRUE(waitProcessingEvents([&] { return !events.empty(); }, 3s));
    EXPECT_THAT(events.front().detail, HasSubstr("Movement detected from accel_3d"));
}

TEST_F(SensorFaultTest, AHidCandidateThatOpensButSendsNothingGivesWayToAWorkingIioAccelerometer)
{
    ASSERT_TRUE(testbed.addDevices("spu-accelerometer.umockdev")) << testbed.error();
    ASSERT_TRUE(testbed.addAccelerometer()) << testbed.error();
    testbed.setAcceleration({0, 0, 1});
    start();
    EXPECT_EQ(monitor->selectedSource(), "AppleSPUHIDDevice service");
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    poll.start(250ms);

    EXPECT_TRUE(waitForLine("AppleSPUHIDDevice accelerometer Apple SPU Accelerometer (" +
                            testbed.deviceRoot() +
                            "/hidraw0) gave no reports within 1000 ms, so the next accelerometer source is "
                            "tried."));
    EXPECT_TRUE(
        waitForLine("Prepared SPU movement monitor on accel_3d source=IIO accelerometer transport=IIO"));
    ASSERT_TRUE(waitForLine("Armed SPU monitor on accel_3d source=IIO accelerometer baseline=(x:0, y:0, "
                            "z:65536) threshold=0.0500g."));

    testbed.setAcceleration({0.1, 0, 0.995});
    ASSERT_TRUE(waitProcessingEvents([&] { return !events.empty(); }, 3s));
    EXPECT_THAT(events.front().detail, HasSubstr("Movement detected from accel_3d"));
}

} // namespace
} // namespace hollerbox::testing
