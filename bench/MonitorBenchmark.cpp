// Measures the background monitor on an emulated laptop and prints a table: the time from the first lifted
// sample given to the emulated accelerometer to the first audible sample on the sink, the monitor's CPU time
// and resident memory while armed, and the time from start to its first log line.
// Usage: HollerboxMonitorBenchmark [lifts per configuration, default 20]

#include "LiftToSound.h"
#include "ProcessUsage.h"
#include "QtTestApplication.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <random>

using namespace hollerbox::benchmarks;
using namespace hollerbox::testing;
using namespace std::chrono_literals;

namespace {

struct Results
{
    std::vector<double> liftToSoundMs;
    int missedLifts = 0;
    int falseAlarms = 0;
    double cpuPercent = NAN;
    double residentMegabytes = NAN;
    double residentGrowthMegabytes = NAN;
    std::vector<double> firstLogLineMs;
};

Results measure(const SensorConfiguration& configuration, int lifts)
{
    Results results;
    std::mt19937 random{20261206};

    for (int lift = 0; lift < lifts; ++lift) {
        const auto outcome = measureLift(configuration, random);
        if (!std::isnan(outcome.firstLogLineMs)) {
            results.firstLogLineMs.push_back(outcome.firstLogLineMs);
        }
        switch (outcome.kind) {
        case LiftOutcome::Kind::heard:
            results.liftToSoundMs.push_back(outcome.liftToSoundMs);
            break;
        case LiftOutcome::Kind::missed:
            ++results.missedLifts;
            break;
        case LiftOutcome::Kind::falseAlarm:
            ++results.falseAlarms;
            break;
        }
    }

    LiftRig rig;
    if (rig.start(configuration)) {
        auto& armed = *rig.monitor;
        armed.collectFor(1s);
        const double residentBefore = residentMegabytes(armed.processId());
        const double before = cpuSeconds(armed.processId());
        const auto from = std::chrono::steady_clock::now();
        armed.collectFor(10s);
        const double used = cpuSeconds(armed.processId()) - before;
        results.cpuPercent = 100.0 * used / (milliseconds(std::chrono::steady_clock::now() - from) / 1000.0);
        results.residentMegabytes = residentMegabytes(armed.processId());
        results.residentGrowthMegabytes = results.residentMegabytes - residentBefore;
        armed.terminate();
        armed.waitForExit(2s);
    }
    return results;
}

std::string cell(double value, const char* unit)
{
    if (std::isnan(value)) {
        return "n/a";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f %s", value, unit);
    return buffer;
}

} // namespace

int main(int argc, char* argv[])
{
    ensureCoreApplication();
    const int lifts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::vector<SensorConfiguration> configurations{
        {"HID 100 Hz", 10'000us},
        {"HID 1000 Hz", 1'000us},
        {"IIO (polled 50 Hz)", 20'000us, EmulatedLaptop::Sensor::iio}};

    std::vector<Results> all;
    for (const auto& configuration : configurations) {
        std::cerr << "measuring " << configuration.name << " (" << lifts << " lifts)...\n";
        all.push_back(measure(configuration, lifts));
    }

    const auto row = [&](const std::string& label, auto value) {
        std::cout << "| " << label;
        for (const auto& results : all) {
            std::cout << " | " << value(results);
        }
        std::cout << " |\n";
    };
    std::cout << "| measurement";
    for (const auto& configuration : configurations) {
        std::cout << " | " << configuration.name;
    }
    std::cout << " |\n|---";
    for (std::size_t index = 0; index < configurations.size(); ++index) {
        std::cout << "|---";
    }
    std::cout << "|\n";
    row("lifts measured (missed)", [](const Results& r) {
        return std::to_string(r.liftToSoundMs.size()) + " (" + std::to_string(r.missedLifts) + ")";
    });
    row("false alarms before the lift", [](const Results& r) { return std::to_string(r.falseAlarms); });
    row("lift to sound, median",
        [](const Results& r) { return cell(percentile(r.liftToSoundMs, 0.5), "ms"); });
    row("lift to sound, 95th percentile",
        [](const Results& r) { return cell(percentile(r.liftToSoundMs, 0.95), "ms"); });
    row("CPU while armed", [](const Results& r) { return cell(r.cpuPercent, "% of a core"); });
    row("resident memory while armed", [](const Results& r) { return cell(r.residentMegabytes, "MB"); });
    row("resident memory growth over 10 s armed",
        [](const Results& r) { return cell(r.residentGrowthMegabytes, "MB"); });
    row("start to first log line, median",
        [](const Results& r) { return cell(percentile(r.firstLogLineMs, 0.5), "ms"); });
    row("start to first log line, 95th percentile",
        [](const Results& r) { return cell(percentile(r.firstLogLineMs, 0.95), "ms"); });
    return 0;
}
