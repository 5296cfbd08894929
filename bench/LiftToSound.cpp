#include "LiftToSound.h"

#include <algorithm>
#include <iostream>

namespace hollerbox::benchmarks {

using namespace std::chrono_literals;
using testing::EmulatedLaptop;
using testing::MonitorProcess;
using testing::MonitorRecorder;
using testing::PulseAudioServer;

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

bool LiftRig::start(const SensorConfiguration& configuration, const QString& program,
                    bool replayReportRequests)
{
    EmulatedLaptop::Options options;
    options.samplePeriod = configuration.samplePeriod;
    options.sensor = configuration.sensor;
    options.replayReportRequests = replayReportRequests;
    if (!laptop.start(options)) {
        std::cerr << configuration.name << ": " << laptop.error() << '\n';
        return false;
    }
    recorder = std::make_unique<MonitorRecorder>(laptop.pulse().serverAddress(), PulseAudioServer::sinkName);
    if (!recorder->start()) {
        std::cerr << configuration.name << ": could not record the sink\n";
        return false;
    }
    monitor = std::make_unique<MonitorProcess>(
        QStringList{"--arm-delay", "0.2", "--log-file", directory.filePath(QStringLiteral("log"))},
        laptop.monitorEnvironment(directory.filePath(QStringLiteral("home"))), program);
    return monitor->start() && monitor->waitForLine("Move the locked Mac", 10s);
}

LiftOutcome measureLift(const SensorConfiguration& configuration, std::mt19937& random,
                        const QString& program)
{
    LiftOutcome outcome;
    LiftRig rig;
    if (!rig.start(configuration, program)) {
        return outcome;
    }
    auto& monitor = *rig.monitor;
    outcome.firstLogLineMs = milliseconds(monitor.lines().front().arrivedAt - monitor.startedAt());
    monitor.collectFor(std::chrono::milliseconds{std::uniform_int_distribution<int>{0, 250}(random)});
    if (monitor.waitForLine("state=triggered", 0ms)) {
        outcome.kind = LiftOutcome::Kind::falseAlarm; // sounded before the laptop moved
        return outcome;
    }
    rig.laptop.tilt(true);
    std::optional<MonitorRecorder::TimePoint> audibleAt;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!audibleAt && std::chrono::steady_clock::now() < deadline) {
        monitor.collectFor(10ms);
        if (const auto liftedAt = rig.laptop.firstLiftedSampleAt()) {
            audibleAt = rig.recorder->firstAudibleAt(rig.recorder->frameAt(*liftedAt), 0.01);
        }
    }
    if (audibleAt) {
        outcome.kind = LiftOutcome::Kind::heard;
        outcome.liftToSoundMs = milliseconds(*audibleAt - *rig.laptop.firstLiftedSampleAt());
    }
    monitor.terminate();
    monitor.waitForExit(2s);
    return outcome;
}

} // namespace hollerbox::benchmarks
