#include "MonitorFixture.h"

#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

constexpr std::int32_t kHalfG = 32768;
constexpr std::int32_t kTenthG = 6554;

// The armed monitor in virtual time, polled every 250 ms as the controller does, on a HID device or on
// another source that goes away and comes back, or that never speaks.
class SensorSupervisionTest : public MonitorFixture
{
protected:
    void addIioSource()
    {
        source = &addSource("IIO", iioBinding);
        build();
    }

    /// Samples of (x, 0, 1 g) every 10 ms for `duration` from whatever is bound, polling every 250 ms.
    std::vector<MovementDetectionEvent> run(std::chrono::milliseconds duration, std::int32_t x)
    {
        std::vector<MovementDetectionEvent> events;
        for (auto elapsed = 10ms; elapsed <= duration; elapsed += 10ms) {
            clock.advance(10ms);
            if (device && device->isOpen) {
                device->deliver(makeSPUReport(x, 0, oneG));
            } else if (source != nullptr && source->isBound) {
                source->sampleHandler({x, 0, oneG});
            }
            if (elapsed % 250ms == 0ms) {
                if (auto event = monitor->detectMovement()) {
                    events.push_back(*event);
                }
            }
        }
        return events;
    }

    FakeAccelerometerSource* source = nullptr;
    std::optional<AccelerometerBinding> iioBinding = binding("accel_3d", "IIO", "IIO accelerometer");
};

struct LossCase
{
    const char* name;
    bool hid;
    const char* lostLine;
    const char* preparedLine;
};

class SensorLossTest : public SensorSupervisionTest, public ::testing::WithParamInterface<LossCase>
{};

TEST_P(SensorLossTest, ASensorLostWhileArmedIsSaidBoundAgainWhenBackAndArmedOnANewBaseline)
{
    const LossCase& sensor = GetParam();
    if (sensor.hid) {
        device = hid.addDevice("hidraw0", accelerometerDevice("Sensor"));
        device->lastError = "No such device";
    }
    addIioSource();
    if (sensor.hid) {
        source->binding.reset();
    }
    ASSERT_TRUE(monitor->prepare());
    run(500ms, 0);
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    messages.lines.clear();

    // Gone: said once; the searches for it that find nothing stay quiet and come once a second.
    if (sensor.hid) {
        ASSERT_TRUE(device->end());
        device->openResult = IOReturn::noDevice;
    } else {
        source->ended = true;
        source->binding.reset();
    }
    EXPECT_THAT(run(2600ms, 0), IsEmpty());
    EXPECT_THAT(messages.lines, ElementsAre(sensor.lostLine));
    EXPECT_FALSE(monitor->isBound());
    EXPECT_EQ(sensor.hid ? device->openCount : source->bindCount, 4);

    // Back, lying another way (a resume on a tilted desk): that is the new rest, and a lift from it counts.
    messages.lines.clear();
    if (sensor.hid) {
        device->openResult = IOReturn::success;
    } else {
        source->binding = iioBinding;
    }
    EXPECT_THAT(run(1500ms, kHalfG), IsEmpty());
    ASSERT_TRUE(monitor->isBound());
    EXPECT_THAT(messages.lines,
                ElementsAre(sensor.preparedLine, ::testing::StartsWith("Armed SPU monitor on ")));
    EXPECT_THAT(messages.lines[1],
                ::testing::HasSubstr("baseline=(x:32768, y:0, z:65536) threshold=0.0500g."));
    EXPECT_THAT(run(600ms, kHalfG + kTenthG), ::testing::SizeIs(1));
}

INSTANTIATE_TEST_SUITE_P(
    Sensors, SensorLossTest,
    ::testing::Values(
        LossCase{"Hid", true,
                 "Movement monitor lost Sensor source=AppleSPUHIDDevice service (hidraw0: No such device); "
                 "binding an accelerometer again.",
                 "Prepared SPU movement monitor on Sensor source=AppleSPUHIDDevice service transport=SPU "
                 "usagePage=0xff00 usage=0x3."},
        LossCase{"OtherSource", false,
                 "Movement monitor lost accel_3d source=IIO accelerometer; binding an accelerometer again.",
                 "Prepared SPU movement monitor on accel_3d source=IIO accelerometer transport=IIO "
                 "usagePage=0x0 usage=0x0."}),
    [](const auto& info) { return std::string{info.param.name}; });

struct SilenceCase
{
    const char* name;
    bool otherSourceBinds;
    std::chrono::milliseconds armDelay;
    std::vector<std::string> lines;
};

class SilentDeviceTest : public SensorSupervisionTest, public ::testing::WithParamInterface<SilenceCase>
{};

TEST_P(SilentDeviceTest, AHidDeviceThatSendsNothingForASecondGivesWayToTheNextSourceOrStaysAsTheLastResort)
{
    const SilenceCase& silence = GetParam();
    device = hid.addDevice("hidraw0", accelerometerDevice("Sensor"));
    addIioSource();
    if (!silence.otherSourceBinds) {
        source->binding.reset();
    }
    ASSERT_TRUE(monitor->prepare());
    messages.lines.clear();
    clock.advance(silence.armDelay);
    const auto silent = std::exchange(device, nullptr); // `run` feeds the other source only
    ASSERT_TRUE(monitor->arm(0.05).isAvailable);
    run(1500ms, 0);
    EXPECT_EQ(messages.lines, silence.lines);
    EXPECT_EQ(silent->isOpen, !silence.otherSourceBinds);
    EXPECT_EQ(silent->openCount, silence.otherSourceBinds ? 1 : 2);
    if (silence.otherSourceBinds) {
        EXPECT_THAT(run(600ms, kTenthG), ::testing::SizeIs(1));
    }

    // The next binding puts a device that stayed silent after every other source.
    monitor->releaseResources();
    ASSERT_TRUE(monitor->prepare());
    EXPECT_EQ(monitor->selectedSource(),
              silence.otherSourceBinds ? "IIO accelerometer" : "AppleSPUHIDDevice service");
    EXPECT_EQ(silent->openCount, silence.otherSourceBinds ? 1 : 3);
}

const std::string kSilenceLine =
    "AppleSPUHIDDevice accelerometer Sensor (hidraw0) gave no reports within 1000 ms, "
    "so the next accelerometer source is tried.";
const std::string kPreparedOnSource = "Prepared SPU movement monitor on accel_3d source=IIO accelerometer "
                                      "transport=IIO usagePage=0x0 usage=0x0.";
const std::string kPreparedOnDevice =
    "Prepared SPU movement monitor on Sensor source=AppleSPUHIDDevice service "
    "transport=SPU usagePage=0xff00 usage=0x3.";

INSTANTIATE_TEST_SUITE_P(
    Devices, SilentDeviceTest,
    ::testing::Values(
        SilenceCase{"SilentAtArming",
                    true,
                    2s,
                    {kSilenceLine, kPreparedOnSource,
                     "Armed SPU monitor on accel_3d without an immediate baseline sample.",
                     "Armed SPU monitor on accel_3d source=IIO accelerometer baseline=(x:0, y:0, z:65536) "
                     "threshold=0.0500g."}},
        SilenceCase{"SilentAfterArming",
                    true,
                    200ms,
                    {"Armed SPU monitor on Sensor without an immediate baseline sample.", kSilenceLine,
                     kPreparedOnSource,
                     "Armed SPU monitor on accel_3d source=IIO accelerometer baseline=(x:0, y:0, z:65536) "
                     "threshold=0.0500g."}},
        SilenceCase{"NoOtherSource",
                    false,
                    2s,
                    {kSilenceLine, kPreparedOnDevice,
                     "Armed SPU monitor on Sensor without an immediate baseline sample."}}),
    [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
