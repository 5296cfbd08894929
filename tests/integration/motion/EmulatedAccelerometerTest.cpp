#include "EventLoopWait.h"
#include "HidrawTestbed.h"
#include "QtTestApplication.h"
#include "VirtualClock.h"
#include "linux/motion/HidAccessHidraw.h"
#include "motion/SPUMovementMonitor.h"
#include "motion/SPUReportBuilder.h"

#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

constexpr std::int32_t kOneG = 65536;
constexpr const char* kNoCandidate =
    "No AppleSPUHIDDevice accelerometer candidate was available for SPU movement monitoring.";
constexpr std::string_view kAccelerometerPath =
    "/sys/devices/platform/apple-spu/0019:05AC:8104.0001/hidraw/hidraw0";

// The monitor on hidraw nodes emulated by umockdev; the test process reads them through the testbed's
// directory, so the real sysfs and /dev stay out of the way.
class EmulatedAccelerometerTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureCoreApplication(); }

    void addAccelerometer()
    {
        ASSERT_TRUE(testbed.addDevices("spu-accelerometer.umockdev")) << testbed.error();
        ASSERT_TRUE(testbed.loadIoctls("hidraw0", "spu-accelerometer.ioctl")) << testbed.error();
    }

    std::unique_ptr<SPUMovementMonitor> makeMonitor(const Clock& clock)
    {
        auto monitor = std::make_unique<SPUMovementMonitor>(hid, clock);
        monitor->setDiagnosticHandler([this](const std::string& line) { messages.push_back(line); });
        return monitor;
    }

    /// Writes one report 10 ms of virtual time after the last and waits until the monitor has it.
    void feed(SPUMovementMonitor& monitor, std::int32_t x, std::int32_t y = 0, std::int32_t z = kOneG)
    {
        virtualClock.advance(std::chrono::milliseconds{10});
        ASSERT_TRUE(testbed.writeReport("hidraw0", makeSPUReport(x, y, z)));
        ASSERT_TRUE(waitProcessingEvents([&] {
            const auto& samples = monitor.detector().recentSamples();
            return !samples.empty() && samples.back().timestamp == virtualClock.now();
        })) << "the monitor did not receive the report";
    }

    HidrawTestbed testbed;
    HidAccessHidraw hid{{testbed.sysfsRoot(), testbed.deviceRoot()}};
    VirtualClock virtualClock;
    std::vector<std::string> messages;
};

TEST_F(EmulatedAccelerometerTest, OnlyTheAccelerometerIsACandidateAndItStreamsUntilReleasedAfterLeavingSysfs)
{
    ASSERT_TRUE(testbed.addDevices("usb-keyboard.umockdev")) << testbed.error();
    // A vendor-page interface with a usage 3 element, but its primary usage is 1.
    ASSERT_TRUE(testbed.addDevices("usb-vendor-control.umockdev")) << testbed.error();
    const auto monitor = makeMonitor(virtualClock);
    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(messages, ElementsAre(kNoCandidate));

    addAccelerometer();
    messages.clear();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_THAT(messages,
                ElementsAre("Prepared SPU movement monitor on Apple SPU Accelerometer "
                            "source=AppleSPUHIDDevice service transport=Host usagePage=0xff00 usage=0x3."));
    // The detection rule on these reports is judged in virtual time by the unit tests (SampleRunTest).
    for (int index = 0; index < 40; ++index) {
        feed(*monitor, 1, -2, kOneG);
    }
    EXPECT_EQ(monitor->detector().latestAxes(), (SPUDecodedAxes{1, -2, kOneG}));
    EXPECT_EQ(monitor->arm(0.05).detail,
              "Movement monitoring active on Apple SPU Accelerometer via SPU accelerometer with "
              "threshold 0.0500g.");
    EXPECT_EQ(monitor->detector().baselineAxes(), (SPUDecodedAxes{1, -2, kOneG}));

    // Gone from sysfs, the device streams until released, and is not found again.
    testbed.removeDevice(std::string{kAccelerometerPath});
    feed(*monitor, 5, 6, 7);
    monitor->releaseResources();
    messages.clear();
    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(messages, ElementsAre(kNoCandidate));
}

TEST_F(EmulatedAccelerometerTest, ANodeThatCannotBeOpenedGivesTheOpenFailureSentenceAndNamesNodeAndReason)
{
    addAccelerometer();
    testbed.removeDeviceNode("hidraw0");
    const auto monitor = makeMonitor(virtualClock);
    EXPECT_FALSE(monitor->prepare());
    EXPECT_THAT(messages, ElementsAre("Failed to open AppleSPUHIDDevice accelerometer. IOReturn=-536870208 "
                                      "hex=0x-1ffffd40.",
                                      "Cannot open " + testbed.deviceRoot() +
                                          "/hidraw0 of AppleSPUHIDDevice accelerometer Apple SPU "
                                          "Accelerometer: No such file or directory."));
    EXPECT_EQ(monitor->arm(0.05).detail,
              "Movement monitoring unavailable because AppleSPUHIDDevice service binding failed.");
}

} // namespace
} // namespace hollerbox::testing
