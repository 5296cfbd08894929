#pragma once

#include "MotionTestSupport.h"
#include "motion/SPUMovementMonitor.h"

#include <gtest/gtest.h>
#include <memory>

namespace hollerbox::testing {

/// A movement monitor on a fake HID registry in virtual time, with helpers to stream reports.
class MonitorFixture : public ::testing::Test
{
protected:
    static constexpr std::int32_t oneG = 65536;

    void build(std::vector<std::unique_ptr<AccelerometerSource>> otherSources = {})
    {
        monitor = std::make_unique<SPUMovementMonitor>(hid, clock, std::move(otherSources));
        monitor->setDiagnosticHandler(messages.handler());
    }

    /// Binds one accelerometer named "Sensor" and forgets the binding's messages.
    void bindAccelerometer()
    {
        device = hid.addDevice("hidraw0", accelerometerDevice("Sensor"));
        build();
        ASSERT_TRUE(monitor->prepare());
        messages.lines.clear();
    }

    /// `count` reports of (x, y, z), one every 10 ms.
    void stream(std::size_t count, std::int32_t x, std::int32_t y = 0, std::int32_t z = oneG)
    {
        for (std::size_t index = 0; index < count; ++index) {
            clock.advance(std::chrono::milliseconds{10});
            ASSERT_TRUE(device->deliver(makeSPUReport(x, y, z)));
        }
    }

    const MovementDetector& detector() const { return monitor->detector(); }

    VirtualClock clock;
    FakeHidAccess hid;
    MessageLog messages;
    std::unique_ptr<SPUMovementMonitor> monitor;
    std::shared_ptr<FakeHidDeviceState> device;
};

} // namespace hollerbox::testing
