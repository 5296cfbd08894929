// Measures how fast the alarm starts and prints two tables. First, for every built-in sound on a private
// sound server: the time from `play` to the first audible sample on the sink, with the sound prepared ahead
// (as the engine does while armed) and opened by `play` itself, and the loudness of the first 20 ms heard.
// Second, the time from the first lifted sample to the first audible sample with the default sound, for a
// baseline build of the monitor and this one, lifted in turns in the same run. Usage:
// HollerboxSoundStartBenchmark <baseline monitor program> [lifts per build, default 40]

#include "EventLoopWait.h"
#include "LiftToSound.h"
#include "QtTestApplication.h"
#include "audio/AlarmPlaybackController.h"
#include "linux/audio/AudioFilePlayerFactoryGst.h"
#include "linux/audio/AudioHardwarePulse.h"
#include "linux/audio/ResourceDirectoriesLinux.h"
#include "linux/base/BackgroundWorkerQt.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <QFileInfo>
#include <cstdio>
#include <iostream>

using namespace hollerbox;
using namespace hollerbox::benchmarks;
using namespace hollerbox::testing;
using namespace std::chrono_literals;

namespace {

constexpr double audibleThreshold = 0.01;
constexpr int startsPerSound = 12;

struct SoundStarts
{
    std::string title;
    std::vector<double> preparedMs;
    std::vector<double> unpreparedMs;
    std::vector<double> onsetRms;
};

std::string cell(double value, const char* format)
{
    if (std::isnan(value)) {
        return "n/a";
    }
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}

/// The first frame at or after `from` with a sample above the threshold, looked for in 1 ms steps.
std::optional<std::size_t> firstAudibleFrame(const MonitorRecorder& recorder, std::size_t from)
{
    constexpr std::size_t step = MonitorRecorder::sampleRate / 1000;
    for (auto frame = from; frame + step <= recorder.frameCount(); frame += step) {
        if (recorder.peak(frame, frame + step) > audibleThreshold) {
            return frame;
        }
    }
    return std::nullopt;
}

/// The playback stack of the monitor on a private server whose sink, at full volume, is recorded.
class SoundStage
{
public:
    bool start()
    {
        if (!m_server.start() || !m_server.setSinkVolumes({1.0, 1.0}) || !m_server.setSinkMute(false)) {
            std::cerr << "the sound server did not start:\n" << m_server.logs();
            return false;
        }
        m_hardware = std::make_unique<AudioHardwarePulse>(
            m_queue, AudioHardwarePulse::Options{m_server.serverAddress()});
        m_players = std::make_unique<AudioFilePlayerFactoryGst>(
            AudioFilePlayerFactoryGst::Options{m_server.serverAddress()});
        m_controller = std::make_unique<AlarmPlaybackController>(
            std::make_unique<SystemAudioOverrideController>(*m_hardware), *m_players, m_sounds, m_queue,
            m_worker, m_clock);
        m_recorder = std::make_unique<MonitorRecorder>(m_server.serverAddress(), PulseAudioServer::sinkName);
        return m_recorder->start();
    }

    SoundStarts measure(BuiltInAlarmSound sound)
    {
        SoundStarts starts{std::string{sound.title()}, {}, {}, {}};
        const auto selection = AlarmSoundSelection::builtIn(sound);
        for (int run = 0; run < startsPerSound; ++run) {
            m_controller->prepare(selection);
            processEventsFor(500ms);
            if (const auto ms = playOnce(selection, &starts.onsetRms)) {
                starts.preparedMs.push_back(*ms);
            }
            m_controller->release();
            processEventsFor(200ms);
            if (const auto ms = playOnce(selection, nullptr)) {
                starts.unpreparedMs.push_back(*ms);
            }
        }
        return starts;
    }

private:
    /// Plays `selection` and returns how long the first audible sample took; notes the onset's loudness.
    std::optional<double> playOnce(const AlarmSoundSelection& selection, std::vector<double>* onsetRms)
    {
        const auto from = m_recorder->frameCount();
        const auto started = std::chrono::steady_clock::now();
        m_controller->play(selection, 3, 180, std::nullopt);
        std::optional<MonitorRecorder::TimePoint> heard;
        waitProcessingEvents(
            [&] {
                heard = m_recorder->firstAudibleAt(from, audibleThreshold);
                return heard.has_value();
            },
            2s);
        processEventsFor(100ms);
        if (const auto first = firstAudibleFrame(*m_recorder, from); first && onsetRms) {
            onsetRms->push_back(m_recorder->rms(*first, *first + MonitorRecorder::sampleRate / 50));
        }
        m_controller->stop();
        processEventsFor(200ms);
        if (!heard) {
            return std::nullopt;
        }
        return milliseconds(*heard - started);
    }

    PulseAudioServer m_server;
    MainQueueQt m_queue;
    ClockSystem m_clock;
    BackgroundWorkerQt m_worker{m_queue};
    ResourceDirectoriesLinux m_directories{std::string{HOLLERBOX_STAGE_DIR} + "/bin/bench"};
    BuiltInSoundLocator m_sounds{m_directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    std::unique_ptr<AudioHardwarePulse> m_hardware;
    std::unique_ptr<AudioFilePlayerFactoryGst> m_players;
    std::unique_ptr<AlarmPlaybackController> m_controller;
    std::unique_ptr<MonitorRecorder> m_recorder;
};

struct LiftTimes
{
    std::vector<double> ms;
    int missed = 0;
    int falseAlarms = 0;
};

void add(LiftTimes& times, const LiftOutcome& outcome)
{
    switch (outcome.kind) {
    case LiftOutcome::Kind::heard:
        times.ms.push_back(outcome.liftToSoundMs);
        break;
    case LiftOutcome::Kind::missed:
        ++times.missed;
        break;
    case LiftOutcome::Kind::falseAlarm:
        ++times.falseAlarms;
        break;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    ensureCoreApplication();
    if (argc < 2 || !QFileInfo(QString::fromLocal8Bit(argv[1])).isExecutable()) {
        std::cerr << "usage: HollerboxSoundStartBenchmark <baseline monitor program> [lifts per build]\n";
        return 2;
    }
    const auto baseline = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int lifts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;

    std::vector<SoundStarts> sounds;
    {
        std::cerr << "measuring the sound start (" << startsPerSound << " starts per sound and way)...\n";
        SoundStage stage;
        if (!stage.start()) {
            return 1;
        }
        for (const auto sound : BuiltInAlarmSound::allCases()) {
            sounds.push_back(stage.measure(sound));
        }
    }
    std::cout
        << "| sound | play to first audible sample, prepared: median / max | opened by play: median / max "
           "| first 20 ms heard, RMS |\n|---|---|---|---|\n";
    for (const auto& sound : sounds) {
        const auto toDecibels = [](double rms) { return rms > 0 ? 20.0 * std::log10(rms) : NAN; };
        std::cout << "| " << sound.title << " | " << cell(percentile(sound.preparedMs, 0.5), "%.1f") << " / "
                  << cell(percentile(sound.preparedMs, 1.0), "%.1f ms") << " | "
                  << cell(percentile(sound.unpreparedMs, 0.5), "%.1f") << " / "
                  << cell(percentile(sound.unpreparedMs, 1.0), "%.1f ms") << " | "
                  << cell(toDecibels(percentile(sound.onsetRms, 0.5)), "%.1f dBFS") << " |\n";
    }

    std::cerr << "measuring lift to sound with the default sound (" << lifts
              << " lifts per build, in turns)...\n";
    const SensorConfiguration sensor{"HID 100 Hz", 10'000us};
    const std::vector<std::pair<std::string, QString>> builds{{"baseline", baseline},
                                                              {"this build", MonitorProcess::programPath()}};
    std::vector<LiftTimes> times(builds.size());
    std::mt19937 random{20261207};
    for (int lift = 0; lift < lifts; ++lift) {
        for (std::size_t build = 0; build < builds.size(); ++build) {
            add(times[build], measureLift(sensor, random, builds[build].second));
        }
    }
    std::cout
        << "\n| monitor (HID 100 Hz, default sound) | lifts measured (missed, false alarms) | lift to sound, "
           "median | lift to sound, 95th percentile |\n|---|---|---|---|\n";
    for (std::size_t build = 0; build < builds.size(); ++build) {
        const auto& t = times[build];
        std::cout << "| " << builds[build].first << " | " << t.ms.size() << " (" << t.missed << ", "
                  << t.falseAlarms << ") | " << cell(percentile(t.ms, 0.5), "%.1f ms") << " | "
                  << cell(percentile(t.ms, 0.95), "%.1f ms") << " |\n";
    }
    std::cout << "| difference | | "
              << cell(percentile(times[0].ms, 0.5) - percentile(times[1].ms, 0.5), "%.1f ms") << " | "
              << cell(percentile(times[0].ms, 0.95) - percentile(times[1].ms, 0.95), "%.1f ms") << " |\n";
    return 0;
}
