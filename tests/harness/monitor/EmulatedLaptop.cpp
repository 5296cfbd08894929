#include "EmulatedLaptop.h"

#include "EventLoopWait.h"
#include "motion/SPUReportBuilder.h"

#include <algorithm>
#include <cmath>

namespace hollerbox::testing {

namespace {

/// The sideways acceleration of `pose` in tenths of g.
int tenthsOfG(EmulatedLaptop::Pose pose)
{
    switch (pose) {
    case EmulatedLaptop::Pose::liftedFront:
        return 1;
    case EmulatedLaptop::Pose::liftedBack:
        return -1;
    case EmulatedLaptop::Pose::level:
        break;
    }
    return 0;
}

} // namespace

EmulatedLaptop::EmulatedLaptop() = default;

EmulatedLaptop::~EmulatedLaptop()
{
    m_sampling = false;
    if (m_sampler.joinable()) {
        m_sampler.join();
    }
}

bool EmulatedLaptop::start(const Options& options)
{
    if (!m_buses.start(true, false)) {
        m_error = "the private system bus did not start";
        return false;
    }
    m_logind = std::make_unique<LogindMock>(m_buses.systemBusAddress());
    if (!m_logind->start()) {
        m_error = "the logind mock did not start";
        return false;
    }
    if (!m_pulse.start()) {
        m_error = "PulseAudio did not start: " + m_pulse.logs();
        return false;
    }
    const double volume = options.sinkVolume;
    if (!m_pulse.setSinkVolumes({volume, volume}) || !m_pulse.setSinkMute(options.sinkMuted)) {
        m_error = "the sink could not be set up";
        return false;
    }
    m_sensor = options.sensor;
    if (options.withBattery && !m_testbed.addDevices("laptop-battery.umockdev")) {
        m_error = "the battery could not be emulated: " + m_testbed.error();
        return false;
    }
    if (options.withAccelerometer && options.sensor == Sensor::iio) {
        if (!m_testbed.addAccelerometer()) {
            m_error = "the IIO accelerometer could not be emulated: " + m_testbed.error();
            return false;
        }
        m_testbed.setAcceleration({0, 0, 1});
    } else if (options.withAccelerometer) {
        if (!m_testbed.addDevices("spu-accelerometer.umockdev") ||
            (options.replayReportRequests && !m_testbed.loadIoctls("hidraw0", "spu-accelerometer.ioctl"))) {
            m_error = "the accelerometer could not be emulated: " + m_testbed.error();
            return false;
        }
        m_sampling = true;
        m_sampler = std::thread{[this, period = options.samplePeriod] { giveSamples(period); }};
    }
    return true;
}

void EmulatedLaptop::giveSamples(std::chrono::microseconds period)
{
    auto next = std::chrono::steady_clock::now();
    while (m_sampling.load()) {
        const int tenths = tenthsOfG(m_pose.load());
        const bool lifted = tenths != 0;
        const auto report = makeSPUReport(tenths * oneG / 10, 0, oneG);
        if (m_testbed.writeReport("hidraw0", report)) {
            ++m_samplesGiven;
            if (lifted && m_liftPending.exchange(false)) {
                m_firstLiftedSampleAt = std::chrono::steady_clock::now().time_since_epoch().count();
            }
        }
        next += period;
        std::this_thread::sleep_until(next); // paces the emulated device
    }
}

void EmulatedLaptop::tilt(Pose pose)
{
    const int tenths = tenthsOfG(pose);
    const bool lifted = tenths != 0;
    if (m_sensor == Sensor::iio) {
        m_testbed.setAcceleration({tenths / 10.0, 0, 1});
        if (lifted) {
            m_firstLiftedSampleAt = std::chrono::steady_clock::now().time_since_epoch().count();
        }
        return;
    }
    if (lifted) {
        m_firstLiftedSampleAt = 0;
        m_liftPending = true;
    }
    m_pose = pose;
}

std::optional<EmulatedLaptop::TimePoint> EmulatedLaptop::firstLiftedSampleAt() const
{
    const auto ticks = m_firstLiftedSampleAt.load();
    if (ticks == 0) {
        return std::nullopt;
    }
    return TimePoint{TimePoint::duration{ticks}};
}

QProcessEnvironment EmulatedLaptop::monitorEnvironment(const QString& home) const
{
    auto environment = m_testbed.childEnvironment(m_pulse.clientEnvironment());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_buses.systemBusAddress());
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
    // One plugin registry for every run instead of a fresh one per home.
    environment.insert(QStringLiteral("GST_REGISTRY_1_0"),
                       QStringLiteral(HOLLERBOX_STAGE_DIR "/../gst-registry.bin"));
    return environment;
}

bool EmulatedLaptop::waitForSink(bool muted, double volume, std::chrono::milliseconds limit)
{
    return waitProcessingEvents(
        [&] {
            const auto state = m_pulse.sinkState();
            return state && state->muted == muted && !state->channelVolumes.empty() &&
                   std::all_of(state->channelVolumes.begin(), state->channelVolumes.end(),
                               [&](double channel) { return std::abs(channel - volume) <= 0.01; });
        },
        limit, std::chrono::milliseconds{20});
}

} // namespace hollerbox::testing
