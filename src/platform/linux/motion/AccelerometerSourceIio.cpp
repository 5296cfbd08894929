#include "AccelerometerSourceIio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace hollerbox {

namespace {

std::string axisPath(const IioAccelerometerDevice& device, char axis)
{
    return device.attributePath(std::string{"in_accel_"} + axis + "_raw");
}

} // namespace

AccelerometerSourceIio::AccelerometerSourceIio(MainQueue& mainQueue, std::string sysfsRoot,
                                               std::string deviceRoot)
    : m_mainQueue(mainQueue), m_sysfsRoot(std::move(sysfsRoot)), m_deviceRoot(std::move(deviceRoot))
{}

AccelerometerSourceIio::~AccelerometerSourceIio()
{
    release();
}

std::string AccelerometerSourceIio::searchDescription() const
{
    return "IIO accelerometers under " + m_sysfsRoot + "/bus/iio/devices";
}

std::optional<AccelerometerBinding> AccelerometerSourceIio::bind(SampleHandler onSample,
                                                                 const DiagnosticHandler& diagnostics)
{
    release();
    const auto report = [&diagnostics](const std::string& line) {
        if (diagnostics) {
            diagnostics(line);
        }
    };
    for (const IioAccelerometerDevice& device : listIioAccelerometers(m_sysfsRoot, m_deviceRoot)) {
        const std::string name = device.displayName() + " (" + device.node + ")";
        const auto lookup = IioAccelerometerCalibration::read(
            [&device](const std::string& attribute) { return device.attribute(attribute); });
        if (!lookup.calibration) {
            report("Skipped IIO accelerometer " + name + " because " + lookup.problem + ".");
            continue;
        }
        // Opening a raw attribute never waits for the driver; reading it may, which is why that happens
        // later.
        std::string unreadable;
        for (const char axis : {'x', 'y', 'z'}) {
            FileDescriptor file{
                ::open(axisPath(device, axis).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
            if (!file.isValid() && unreadable.empty()) {
                unreadable = axisPath(device, axis) + " cannot be opened: " + std::strerror(errno);
            }
        }
        if (!unreadable.empty()) {
            report("Skipped IIO accelerometer " + name + " because " + unreadable + ".");
            continue;
        }

        m_device = device;
        m_calibration = *lookup.calibration;
        m_onSample = std::move(onSample);
        m_diagnostics = diagnostics;
        std::string problem;
        m_buffer = IioBufferReader::start(
            device, m_sysfsRoot, [this](const auto& raw) { deliver(raw); },
            [this](const std::string& text) { reportFailure(text); }, problem);
        if (m_buffer) {
            m_mode = Mode::buffer;
            m_bufferCheck = m_mainQueue.scheduleAfter(bufferSilenceLimit, [this] { checkBufferDelivers(); });
        } else {
            if (!problem.empty()) {
                report("Polling the raw attributes of IIO accelerometer " + name + " because " + problem +
                       ".");
            }
            startPolling();
        }
        SPUProbeDeviceSummary summary;
        summary.product = device.displayName();
        summary.transport = std::string{transportName};
        summary.usagePage = 0;
        summary.usage = 0;
        return AccelerometerBinding{std::move(summary), std::string{sourceName}};
    }
    return std::nullopt;
}

void AccelerometerSourceIio::startPolling()
{
    const IioAccelerometerDevice& device = *m_device;
    m_poller = std::make_unique<IioRawPoller>(
        m_mainQueue, std::array{axisPath(device, 'x'), axisPath(device, 'y'), axisPath(device, 'z')},
        [this](const auto& raw) { deliver(raw); }, [this](const std::string& text) { reportFailure(text); });
    m_mode = Mode::polling;
}

void AccelerometerSourceIio::checkBufferDelivers()
{
    m_bufferCheck.reset();
    if (m_delivered || !m_buffer || !m_device) {
        return;
    }
    // Some devices need a trigger that nobody set up: their buffer never fills.
    m_buffer.reset();
    if (m_diagnostics) {
        m_diagnostics("IIO accelerometer " + m_device->displayName() + " (" + m_device->node +
                      ") gave no scans through its buffer within " +
                      std::to_string(bufferSilenceLimit.count()) +
                      " ms, so its raw attributes are polled instead.");
    }
    startPolling();
}

void AccelerometerSourceIio::release()
{
    m_bufferCheck.reset();
    m_delivered = false;
    m_failing = false;
    m_buffer.reset();
    m_poller.reset();
    m_mode = Mode::none;
    m_device.reset();
    m_onSample = nullptr;
    m_diagnostics = nullptr;
}

void AccelerometerSourceIio::deliver(const std::array<std::int64_t, 3>& raw)
{
    m_delivered = true;
    m_failing = false;
    if (m_onSample) {
        const SampleHandler handler = m_onSample;
        handler(m_calibration.countsFor(raw));
    }
}

void AccelerometerSourceIio::reportFailure(const std::string& problem)
{
    m_failing = m_device.has_value();
    if (m_diagnostics && m_device) {
        m_diagnostics("IIO accelerometer " + m_device->displayName() + " (" + m_device->node +
                      ") gives no readings: " + problem + ".");
    }
}

} // namespace hollerbox
