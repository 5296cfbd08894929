#pragma once

#include "EmulatedLaptop.h"
#include "MonitorProcess.h"
#include "MonitorRecorder.h"

#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace hollerbox::benchmarks {

/// The value below which `fraction` of `values` lie (nearest rank); NaN when there are none.
double percentile(std::vector<double> values, double fraction);
double milliseconds(std::chrono::steady_clock::duration duration);

struct SensorConfiguration
{
    std::string name;
    std::chrono::microseconds samplePeriod;
    testing::EmulatedLaptop::Sensor sensor = testing::EmulatedLaptop::Sensor::hid;
};

/// A fresh laptop for each run, with a recorder on its sink and an armed monitor: the emulated device keeps
/// the reports nobody read, which a real one never delivers to a later reader.
struct LiftRig
{
    QTemporaryDir directory;
    testing::EmulatedLaptop laptop;
    std::unique_ptr<testing::MonitorRecorder> recorder;
    std::unique_ptr<testing::MonitorProcess> monitor;

    /// Starts everything and waits until `program` (a monitor program) is armed; false when it did not arm.
    /// Without `replayReportRequests` the HID node answers no report requests, so its reads take no round
    /// trip through the emulation.
    bool start(const SensorConfiguration& configuration,
               const QString& program = testing::MonitorProcess::programPath(),
               bool replayReportRequests = true);
};

struct LiftOutcome
{
    enum class Kind
    {
        heard,
        missed,
        falseAlarm
    };
    Kind kind = Kind::missed;
    /// From the first lifted sample given to the sensor to the first audible sample on the sink.
    double liftToSoundMs = NAN;
    /// From the monitor's start to its first log line; NaN when it did not start.
    double firstLogLineMs = NAN;
};

/// Lifts a laptop on a fresh rig at a random phase of the monitor's tick and listens for the alarm for 5 s.
LiftOutcome measureLift(const SensorConfiguration& configuration, std::mt19937& random,
                        const QString& program = testing::MonitorProcess::programPath());

} // namespace hollerbox::benchmarks
