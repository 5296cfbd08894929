// Measures the background monitor on an emulated laptop and prints a table: the time from the first lifted
// sample given to the emulated accelerometer to the first audible sample on the sink, the monitor's CPU time
// and resident memory while armed, the CPU time of a bare reader (`dd`) draining the same emulated HID node
// as the floor, and the time from start to its first log line. Usage: HollerboxMonitorBenchmark [lifts per
// configuration, default 20; 0 measures CPU and memory only]

#include "LiftToSound.h"
#include "ProcessUsage.h"
#include "QtTestApplication.h"

#include <QProcess>
#include <QTemporaryDir>
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
    double cpuPercentWithoutReplay = NAN;
    double bareReaderCpuPercent = NAN;
    double pollingReaderCpuPercent = NAN;
    double blockingReaderCpuPercent = NAN;
    double residentMegabytes = NAN;
    double residentGrowthMegabytes = NAN;
    std::vector<double> firstLogLineMs;
};

constexpr auto cpuWindow = 10s;

/// The share of a core that `pid` uses over `cpuWindow`, while `wait` lets the time pass.
template <typename Wait> double cpuPercentOver(qint64 pid, Wait wait)
{
    const double before = cpuSeconds(pid);
    const auto from = std::chrono::steady_clock::now();
    wait(cpuWindow);
    const double used = cpuSeconds(pid) - before;
    return 100.0 * used / (milliseconds(std::chrono::steady_clock::now() - from) / 1000.0);
}

/// A floor for a HID configuration: `program` (a bare reader) draining the emulated node of a fresh laptop,
/// under the same emulation and at the same rate as the monitor gets.
double bareReaderCpuPercent(const SensorConfiguration& configuration, const QString& program,
                            const QStringList& arguments)
{
    QTemporaryDir directory;
    EmulatedLaptop laptop;
    EmulatedLaptop::Options options;
    options.samplePeriod = configuration.samplePeriod;
    if (!laptop.start(options)) {
        std::cerr << configuration.name << ": " << laptop.error() << '\n';
        return NAN;
    }
    QProcess reader;
    reader.setProcessEnvironment(laptop.monitorEnvironment(directory.filePath(QStringLiteral("home"))));
    reader.start(program, arguments);
    if (!reader.waitForStarted(5000)) {
        std::cerr << configuration.name << ": " << program.toStdString() << " did not start\n";
        return NAN;
    }
    reader.waitForFinished(1000);
    const double percent = cpuPercentOver(reader.processId(), [&](std::chrono::milliseconds duration) {
        reader.waitForFinished(static_cast<int>(duration.count()));
    });
    if (reader.state() != QProcess::Running) {
        std::cerr << configuration.name << ": " << program.toStdString()
                  << " stopped: " << reader.readAllStandardError().toStdString();
        return NAN;
    }
    reader.kill();
    reader.waitForFinished(2000);
    return percent;
}

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
        results.cpuPercent = cpuPercentOver(
            armed.processId(), [&](std::chrono::milliseconds duration) { armed.collectFor(duration); });
        results.residentMegabytes = residentMegabytes(armed.processId());
        results.residentGrowthMegabytes = results.residentMegabytes - residentBefore;
        armed.terminate();
        armed.waitForExit(2s);
    }
    if (configuration.sensor == EmulatedLaptop::Sensor::hid) {
        results.bareReaderCpuPercent =
            bareReaderCpuPercent(configuration, QStringLiteral("dd"),
                                 {"if=/dev/hidraw0", "of=/dev/null", "bs=4096", "status=none"});
        results.pollingReaderCpuPercent = bareReaderCpuPercent(
            configuration, QStringLiteral(HOLLERBOX_BARE_READER), {QStringLiteral("/dev/hidraw0")});
        results.blockingReaderCpuPercent =
            bareReaderCpuPercent(configuration, QStringLiteral(HOLLERBOX_BARE_READER),
                                 {QStringLiteral("/dev/hidraw0"), QStringLiteral("blocking")});
        LiftRig plain;
        if (plain.start(configuration, MonitorProcess::programPath(), false)) {
            auto& armed = *plain.monitor;
            armed.collectFor(1s);
            results.cpuPercentWithoutReplay = cpuPercentOver(
                armed.processId(), [&](std::chrono::milliseconds duration) { armed.collectFor(duration); });
            armed.terminate();
            armed.waitForExit(2s);
        }
    }
    return results;
}

std::string cell(double value, const char* unit, int decimals = 1)
{
    if (std::isnan(value)) {
        return "n/a";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.*f %s", decimals, value, unit);
    return buffer;
}

} // namespace

int main(int argc, char* argv[])
{
    ensureCoreApplication();
    const int lifts = argc > 1 ? std::max(0, std::atoi(argv[1])) : 20;
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
    row("CPU while armed", [](const Results& r) { return cell(r.cpuPercent, "% of a core", 2); });
    row("bare reader (dd draining the node)",
        [](const Results& r) { return cell(r.bareReaderCpuPercent, "% of a core", 2); });
    const auto ratio = [](double value, double floor) {
        return std::isfinite(value / floor) ? cell(value / floor, "x") : std::string{"n/a"};
    };
    row("monitor CPU / bare reader",
        [&](const Results& r) { return ratio(r.cpuPercent, r.bareReaderCpuPercent); });
    row("bare reader opening the node as the monitor does (poll, non-blocking reads)",
        [](const Results& r) { return cell(r.pollingReaderCpuPercent, "% of a core", 2); });
    row("same, blocking reads",
        [](const Results& r) { return cell(r.blockingReaderCpuPercent, "% of a core", 2); });
    row("monitor CPU / that reader",
        [&](const Results& r) { return ratio(r.cpuPercent, r.pollingReaderCpuPercent); });
    row("CPU while armed, node without report requests (no read round trip)",
        [](const Results& r) { return cell(r.cpuPercentWithoutReplay, "% of a core", 2); });
    row("that / bare reader",
        [&](const Results& r) { return ratio(r.cpuPercentWithoutReplay, r.bareReaderCpuPercent); });
    row("resident memory while armed", [](const Results& r) { return cell(r.residentMegabytes, "MB"); });
    row("resident memory growth over 10 s armed",
        [](const Results& r) { return cell(r.residentGrowthMegabytes, "MB"); });
    row("start to first log line, median",
        [](const Results& r) { return cell(percentile(r.firstLogLineMs, 0.5), "ms"); });
    row("start to first log line, 95th percentile",
        [](const Results& r) { return cell(percentile(r.firstLogLineMs, 0.95), "ms"); });
    return 0;
}
