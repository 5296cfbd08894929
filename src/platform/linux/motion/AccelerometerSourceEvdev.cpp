#include "AccelerometerSourceEvdev.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr std::size_t kReadLength = sizeof(input_event) * 64;
constexpr int kMaximumReadsPerWakeup = 16;

std::string describe(const EvdevAccelerometerDevice& device)
{
    return (device.name.empty() ? device.node : device.name) + " (" + device.devicePath + ")";
}

} // namespace

AccelerometerSourceEvdev::AccelerometerSourceEvdev(std::string sysfsRoot, std::string deviceRoot)
    : m_sysfsRoot(std::move(sysfsRoot)), m_deviceRoot(std::move(deviceRoot))
{}

AccelerometerSourceEvdev::~AccelerometerSourceEvdev()
{
    release();
}

std::string AccelerometerSourceEvdev::searchDescription() const
{
    return "evdev accelerometers under " + m_deviceRoot + "/input";
}

bool AccelerometerSourceEvdev::readAxes(std::array<std::int32_t, 3>& values,
                                        std::array<EvdevAxisInfo, 3>* infos) const
{
    for (unsigned axis = 0; axis < 3; ++axis) {
        input_absinfo info{};
        int result = -1;
        do {
            result = ::ioctl(m_file.get(), EVIOCGABS(ABS_X + axis), &info);
        } while (result < 0 && errno == EINTR);
        if (result < 0) {
            return false;
        }
        values[axis] = info.value;
        if (infos != nullptr) {
            (*infos)[axis] = {info.value, info.minimum, info.maximum, info.fuzz, info.flat, info.resolution};
        }
    }
    return true;
}

std::optional<AccelerometerBinding> AccelerometerSourceEvdev::bind(SampleHandler onSample,
                                                                   const DiagnosticHandler& diagnostics)
{
    release();
    const auto report = [&diagnostics](const std::string& line) {
        if (diagnostics) {
            diagnostics(line);
        }
    };
    for (const EvdevAccelerometerDevice& device : listEvdevAccelerometers(m_sysfsRoot, m_deviceRoot)) {
        m_file.reset(::open(device.devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (!m_file.isValid()) {
            report("Cannot open " + device.devicePath + " of evdev accelerometer " +
                   (device.name.empty() ? device.node : device.name) + ": " + std::strerror(errno) + ".");
            continue;
        }
        std::array<EvdevAxisInfo, 3> infos{};
        if (!readAxes(m_values, &infos)) {
            report("Skipped evdev accelerometer " + describe(device) +
                   " because its axes cannot be read: " + std::strerror(errno) + ".");
            m_file.reset();
            continue;
        }
        m_scaling = EvdevAccelerometerScaling::from(infos);
        if (!m_scaling) {
            report("Skipped evdev accelerometer " + describe(device) + " because its axes state no range.");
            m_file.reset();
            continue;
        }
        if (m_scaling->usesRangeFallback()) {
            report("Evdev accelerometer " + describe(device) +
                   " states no axis resolution, so its axis range is taken as ±2 g.");
        }
        m_device = device;
        m_onSample = std::move(onSample);
        m_diagnostics = diagnostics;
        m_notifier = new QSocketNotifier(m_file.get(), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readEvents(); });
        // A device at rest may send no event for a long time: its state at binding is the first sample, so
        // that arming finds a baseline.
        QTimer::singleShot(0, m_notifier, [this] {
            if (m_onSample && m_scaling) {
                const SampleHandler handler = m_onSample;
                handler(m_scaling->countsFor(m_values));
            }
        });

        SPUProbeDeviceSummary summary;
        summary.product = device.name.empty() ? device.node : device.name;
        summary.transport = std::string{transportName};
        summary.usagePage = 0;
        summary.usage = 0;
        return AccelerometerBinding{std::move(summary), std::string{sourceName}};
    }
    return std::nullopt;
}

void AccelerometerSourceEvdev::release()
{
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_file.reset();
    m_device.reset();
    m_scaling.reset();
    m_pending.clear();
    m_dropping = false;
    m_ended = false;
    m_onSample = nullptr;
    m_diagnostics = nullptr;
}

void AccelerometerSourceEvdev::readEvents()
{
    const std::weak_ptr<int> lifetime = m_lifetime;
    for (int round = 0; round < kMaximumReadsPerWakeup && m_file.isValid() && m_onSample; ++round) {
        const std::size_t filled = m_pending.size();
        m_pending.resize(filled + kReadLength);
        const ssize_t count = ::read(m_file.get(), m_pending.data() + filled, kReadLength);
        m_pending.resize(filled + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (count <= 0) {
            stop(count == 0 ? "it came to its end" : std::string{std::strerror(errno)});
            return;
        }
        std::size_t used = 0;
        for (; m_pending.size() - used >= sizeof(input_event); used += sizeof(input_event)) {
            input_event event{};
            std::memcpy(&event, m_pending.data() + used, sizeof event);
            handle(event.type, event.code, event.value);
            if (lifetime.expired() || !m_onSample) {
                return; // the sample handler released this source
            }
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void AccelerometerSourceEvdev::handle(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    if (type == EV_ABS && code <= ABS_Z) {
        if (!m_dropping) {
            m_values[code] = value;
        }
        return;
    }
    if (type != EV_SYN) {
        return;
    }
    if (code == SYN_DROPPED) {
        m_dropping = true;
        return;
    }
    if (code != SYN_REPORT) {
        return;
    }
    if (m_dropping) {
        // Events were lost: the device's current state replaces what was pieced together.
        m_dropping = false;
        if (!readAxes(m_values, nullptr)) {
            return;
        }
    }
    const SampleHandler handler = m_onSample;
    handler(m_scaling->countsFor(m_values));
}

void AccelerometerSourceEvdev::stop(const std::string& problem)
{
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
    }
    m_pending.clear();
    m_ended = m_device.has_value();
    if (m_diagnostics && m_device) {
        m_diagnostics("Evdev accelerometer " + describe(*m_device) + " gives no readings: " + problem + ".");
    }
}

} // namespace hollerbox
