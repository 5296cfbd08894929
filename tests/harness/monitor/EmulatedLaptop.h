#pragma once

#include "IioTestbed.h"
#include "LogindMock.h"
#include "PulseAudioServer.h"
#include "SessionBusEnvironment.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace hollerbox::testing {

/// A laptop for the background monitor made of real parts: a private PulseAudio with a null sink, a mocked
/// logind on a private system bus, and an emulated accelerometer: a HID sensor whose samples this class gives
/// at a steady rate from a thread of its own, or an IIO sensor whose raw attributes it sets. Lifting it tilts
/// the samples by about 0.1 g, to the front or to the back.
class EmulatedLaptop
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::int32_t oneG = 65536;

    enum class Sensor
    {
        hid,
        iio
    };

    enum class Pose
    {
        level,
        liftedFront,
        liftedBack
    };

    struct Options
    {
        bool withAccelerometer = true;
        /// An internal battery in sysfs, which the application's hardware check asks for.
        bool withBattery = false;
        Sensor sensor = Sensor::hid;
        std::chrono::microseconds samplePeriod{10'000};
        /// Whether the HID node answers report requests (HIDIOCG*) from the recorded file. umockdev then also
        /// sends every read of the node by a descriptor the program opened itself through the test process, a
        /// round trip a real node does not have (a reader on standard input, such as `dd`, escapes it).
        bool replayReportRequests = true;
        double sinkVolume = 0.2;
        bool sinkMuted = true;
    };

    EmulatedLaptop();
    ~EmulatedLaptop();

    EmulatedLaptop(const EmulatedLaptop&) = delete;
    EmulatedLaptop& operator=(const EmulatedLaptop&) = delete;

    /// Starts every part; false with the reason in `error()` when one did not come up.
    bool start(const Options& options);

    /// Tilts the laptop by about 0.1 g, as lifting it does, or puts it back level.
    void tilt(bool lifted) { tilt(lifted ? Pose::liftedFront : Pose::level); }
    /// Puts the laptop in `pose`: the two lifted poses are about 0.2 g apart, level halfway between them.
    void tilt(Pose pose);
    /// When the first tilted sample was given to the device after the last lift; for the IIO sensor, when its
    /// attributes changed.
    std::optional<TimePoint> firstLiftedSampleAt() const;
    std::size_t samplesGiven() const { return m_samplesGiven.load(); }

    /// The environment for a monitor program that should live on this laptop, with its home in `home`.
    QProcessEnvironment monitorEnvironment(const QString& home) const;

    /// Waits until the sink's mute is `muted` and every channel is at `volume` (within 1 %).
    bool waitForSink(bool muted, double volume, std::chrono::milliseconds limit);

    PulseAudioServer& pulse() { return m_pulse; }
    LogindMock& logind() { return *m_logind; }
    const std::string& error() const { return m_error; }

private:
    void giveSamples(std::chrono::microseconds period);

    SessionBusEnvironment m_buses;
    std::unique_ptr<LogindMock> m_logind;
    PulseAudioServer m_pulse;
    IioTestbed m_testbed;
    Sensor m_sensor = Sensor::hid;
    std::string m_error;
    std::thread m_sampler;
    std::atomic<bool> m_sampling{false};
    std::atomic<Pose> m_pose{Pose::level};
    std::atomic<bool> m_liftPending{false};
    std::atomic<TimePoint::rep> m_firstLiftedSampleAt{0};
    std::atomic<std::size_t> m_samplesGiven{0};
};

} // namespace hollerbox::testing
