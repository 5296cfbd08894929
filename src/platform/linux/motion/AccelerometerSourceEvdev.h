#pragma once

#include "EvdevDevices.h"
#include "linux/support/FileDescriptor.h"
#include "motion/AccelerometerSource.h"
#include "motion/EvdevAccelerometerScaling.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace hollerbox {

/// Accelerometers that the kernel offers as input devices (HP's lis3lv02d and others): their ABS_X, ABS_Y
/// and ABS_Z events, read without blocking through a socket notifier, become one sample per report.
/// Main thread only.
class AccelerometerSourceEvdev final : public AccelerometerSource
{
public:
    static constexpr std::string_view sourceName = "evdev accelerometer";
    static constexpr std::string_view transportName = "evdev";

    /// The roots point tests into an emulated tree.
    explicit AccelerometerSourceEvdev(std::string sysfsRoot = "/sys", std::string deviceRoot = "/dev");
    ~AccelerometerSourceEvdev() override;

    std::optional<AccelerometerBinding> bind(SampleHandler onSample,
                                             const DiagnosticHandler& diagnostics) override;
    bool hasEnded() const override { return m_ended; }
    void release() override;
    std::string searchDescription() const override;

    const std::optional<EvdevAccelerometerDevice>& boundDevice() const { return m_device; }

private:
    bool readAxes(std::array<std::int32_t, 3>& values, std::array<EvdevAxisInfo, 3>* infos) const;
    void readEvents();
    void handle(std::uint16_t type, std::uint16_t code, std::int32_t value);
    void stop(const std::string& problem);

    std::string m_sysfsRoot;
    std::string m_deviceRoot;
    std::optional<EvdevAccelerometerDevice> m_device;
    std::optional<EvdevAccelerometerScaling> m_scaling;
    FileDescriptor m_file;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<std::uint8_t> m_pending;
    std::array<std::int32_t, 3> m_values{};
    bool m_dropping = false;
    bool m_ended = false;
    SampleHandler m_onSample;
    DiagnosticHandler m_diagnostics;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace hollerbox
