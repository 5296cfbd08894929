#pragma once

#include "MotionTestSupport.h"
#include "motion/FakeAccelerometerSource.h"
#include "motion/SPUMovementMonitor.h"

#include <gtest/gtest.h>
#include <memory>

namespace hollerbox::testing {

/// A movement monitor on a fake HID registry in virtual time, with helpers to stream reports.
class MonitorFixture : public ::testing::Test
{
protected:
    static constexpr std::int32_t oneG = 65536;

    /// Builds the monitor with the sources added so far.
    void build()
    {
        monitor = std::make_unique<SPUMovementMonitor>(hid, clock, std::move(sources));
        monitor->setDiagnosticHandler(messages.handler());
    }

    /// Adds a source tried after the HID devices, which binds when given a binding.
    FakeAccelerometerSource& addSource(const std::string& description,
                                       std::optional<AccelerometerBinding> binding = std::nullopt)
    {
        auto source = std::make_unique<FakeAccelerometerSource>();
        source->description = description;
        source->binding = std::move(binding);
        auto& added = *source;
        sources.push_back(std::move(source));
        return added;
    }

    static AccelerometerBinding binding(const std::string& product, const std::string& transport,
                                        const std::string& source)
    {
        SPUProbeDeviceSummary summary;
        summary.product = product;
        summary.transport = transport;
        return {summary, source};
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
    std::vector<std::unique_ptr<AccelerometerSource>> sources;
    std::unique_ptr<SPUMovementMonitor> monitor;
    std::shared_ptr<FakeHidDeviceState> device;
};

} // namespace hollerbox::testing
