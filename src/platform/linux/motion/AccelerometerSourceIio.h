#pragma once

#include "IioBufferReader.h"
#include "IioDevices.h"
#include "IioRawPoller.h"
#include "motion/AccelerometerSource.h"
#include "motion/IioAccelerometerCalibration.h"
#include "ports/MainQueue.h"

#include <chrono>
#include <memory>
#include <string>

namespace hollerbox {

/// Accelerometers of the Industrial I/O subsystem (sensor hubs' accel_3d, I2C parts of convertibles): the
/// display's sensor when a machine has two, read through its buffer when it can be enabled, otherwise by
/// polling its raw attributes at 50 Hz off the main thread. Main thread only.
class AccelerometerSourceIio final : public AccelerometerSource
{
public:
    static constexpr std::string_view sourceName = "IIO accelerometer";
    static constexpr std::string_view transportName = "IIO";
    /// How long an enabled buffer may stay silent before the raw attributes are polled instead.
    static constexpr std::chrono::milliseconds bufferSilenceLimit{1000};

    /// How the bound device is read.
    enum class Mode
    {
        none,
        buffer,
        polling,
    };

    /// `mainQueue` must outlive the source; the roots point tests into an emulated tree.
    AccelerometerSourceIio(MainQueue& mainQueue, std::string sysfsRoot = "/sys",
                           std::string deviceRoot = "/dev");
    ~AccelerometerSourceIio() override;

    std::optional<AccelerometerBinding> bind(SampleHandler onSample,
                                             const DiagnosticHandler& diagnostics) override;
    bool hasEnded() const override { return m_failing; }
    void release() override;
    std::string searchDescription() const override;

    Mode mode() const { return m_mode; }
    const std::optional<IioAccelerometerDevice>& boundDevice() const { return m_device; }

private:
    void deliver(const std::array<std::int64_t, 3>& raw);
    void startPolling();
    void checkBufferDelivers();
    void reportFailure(const std::string& problem);

    MainQueue& m_mainQueue;
    std::string m_sysfsRoot;
    std::string m_deviceRoot;
    std::optional<IioAccelerometerDevice> m_device;
    IioAccelerometerCalibration m_calibration;
    SampleHandler m_onSample;
    DiagnosticHandler m_diagnostics;
    std::unique_ptr<IioBufferReader> m_buffer;
    std::unique_ptr<IioRawPoller> m_poller;
    std::unique_ptr<ScheduledTask> m_bufferCheck;
    bool m_delivered = false;
    /// A failure was reported and no reading came after it.
    bool m_failing = false;
    Mode m_mode = Mode::none;
};

} // namespace hollerbox
