#include "AlarmPlaybackProbe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <thread>

namespace hollerbox {

namespace {

constexpr double kMinimumFileSeconds = 0.25;
constexpr double kDurationPollSeconds = 0.05;
constexpr double kUnknownDurationLimitSeconds = 30.0;

void writeError(const char* prefix, const std::string& description)
{
    std::fprintf(stderr, "%s%s\n", prefix, description.c_str());
    std::fflush(stderr);
}

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i) & 0xff));
    }
}

void appendText(std::vector<std::uint8_t>& bytes, const char (&text)[5])
{
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(text[i]));
    }
}

} // namespace

AlarmPlaybackProbe::AlarmPlaybackProbe(AudioFilePlayerFactory& players, const BuiltInSoundLocator& sounds,
                                       const Clock& clock, Sleeper sleeper)
    : m_players(players), m_sounds(sounds), m_clock(clock), m_sleeper(std::move(sleeper))
{
    if (!m_sleeper) {
        m_sleeper = [](double seconds) {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        };
    }
}

void AlarmPlaybackProbe::pause(double seconds)
{
    if (seconds > 0.0) {
        m_sleeper(seconds);
    }
}

AlarmPlaybackResult AlarmPlaybackProbe::playSystemBeep(int count, std::uint64_t intervalMilliseconds)
{
    return playAlarm(AlarmSoundSelection::defaultSelection(), count, intervalMilliseconds);
}

AlarmPlaybackResult AlarmPlaybackProbe::playAlarm(const AlarmSoundSelection& selection, int count,
                                                  std::uint64_t intervalMilliseconds)
{
    const auto startedAt = m_clock.now();
    const double interval = static_cast<double>(intervalMilliseconds) / 1000.0;
    const double toneLength = std::min(std::max(interval * 0.45, 0.18), 0.35);
    if (const auto sound = selection.builtInSound(); sound && !sound->bundledFileURL(m_sounds)) {
        for (const auto& tone : pattern(*sound, count, intervalMilliseconds)) {
            playTone(tone.frequency, tone.seconds);
            pause(tone.silenceAfter);
        }
        return {startedAt, count, intervalMilliseconds};
    }
    for (int repetition = 0; repetition < count; ++repetition) {
        if (const auto path = selection.customFilePath()) {
            if (!playAudioFile(*path, 5.0)) {
                const auto fallback = BuiltInAlarmSound{BuiltInAlarmSound::handsOff}.bundledFileURL(m_sounds);
                if (fallback) {
                    playAudioFile(*fallback, std::nullopt);
                } else {
                    playTone(1320, toneLength);
                }
            }
        } else if (const auto file = selection.builtInSound()->bundledFileURL(m_sounds)) {
            playAudioFile(*file, std::nullopt);
        }
        if (repetition + 1 < count) {
            pause(interval);
        }
    }
    return {startedAt, count, intervalMilliseconds};
}

std::vector<AlarmPlaybackProbe::PatternTone> AlarmPlaybackProbe::pattern(BuiltInAlarmSound sound, int count,
                                                                         std::uint64_t intervalMilliseconds)
{
    const double interval = static_cast<double>(intervalMilliseconds) / 1000.0;
    const double toneLength = std::min(std::max(interval * 0.45, 0.18), 0.35);
    std::vector<PatternTone> once;
    switch (sound.value()) {
    case BuiltInAlarmSound::handsOff:
        once = {{1320, toneLength, 0.0}};
        break;
    case BuiltInAlarmSound::whatAreYouDoing:
        once = {{1180, 0.12, 0.04}, {1520, 0.18, 0.0}};
        break;
    case BuiltInAlarmSound::policeAlarm:
        once = {{880, 0.16, 0.08}, {880, 0.18, 0.0}};
        break;
    }
    std::vector<PatternTone> tones;
    for (int repetition = 0; repetition < count; ++repetition) {
        tones.insert(tones.end(), once.begin(), once.end());
        if (repetition + 1 < count) {
            tones.back().silenceAfter = interval;
        }
    }
    return tones;
}

bool AlarmPlaybackProbe::playAudioFile(const std::string& path, std::optional<double> maxDuration)
{
    auto opening = m_players.openFile(path);
    if (!opening.player) {
        writeError("AlarmPlaybackProbe custom file error: ", opening.error);
        return false;
    }
    auto& player = *opening.player;
    player.setVolume(1.0f);
    player.play();
    auto duration = player.durationSeconds();
    double waited = 0.0;
    const double unknownLimit = maxDuration ? *maxDuration : kUnknownDurationLimitSeconds;
    while (!duration && waited < unknownLimit) {
        pause(kDurationPollSeconds);
        waited += kDurationPollSeconds;
        duration = player.durationSeconds();
    }
    double wait = std::max(duration.value_or(waited), kMinimumFileSeconds);
    if (maxDuration) {
        wait = std::min(wait, *maxDuration);
    }
    pause(std::max(wait - waited, 0.0) + toneTailSeconds);
    player.stop();
    return true;
}

void AlarmPlaybackProbe::playTone(double frequency, double durationSeconds)
{
    auto opening = m_players.openWavData(toneWav(frequency, durationSeconds));
    if (!opening.player) {
        writeError("AlarmPlaybackProbe error: ", opening.error);
        return;
    }
    opening.player->setVolume(1.0f);
    opening.player->play();
    pause(durationSeconds + toneTailSeconds);
    opening.player->stop();
}

std::vector<std::uint8_t> AlarmPlaybackProbe::toneWav(double frequency, double durationSeconds)
{
    return wavData(toneSamples(frequency, durationSeconds), toneSampleRate);
}

std::vector<std::int16_t> AlarmPlaybackProbe::toneSamples(double frequency, double durationSeconds)
{
    const double rate = toneSampleRate;
    const double frames = durationSeconds * rate;
    const auto count = frames > 0.0 && std::isfinite(frames) ? static_cast<std::size_t>(frames) : 0;
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const auto remaining = count - i;
        double envelope = 1.0;
        if (i < 441) {
            envelope = static_cast<double>(i) / 441.0;
        } else if (remaining <= 441) {
            envelope = static_cast<double>(remaining) / 441.0;
        }
        const double value =
            std::clamp(std::sin(2.0 * std::numbers::pi * frequency * t) * 0.7 * envelope, -1.0, 1.0);
        samples[i] = static_cast<std::int16_t>(std::round(value * 32767.0));
    }
    return samples;
}

std::vector<std::uint8_t> AlarmPlaybackProbe::wavData(const std::vector<std::int16_t>& samples,
                                                      std::uint32_t sampleRate)
{
    return wavData(samples, sampleRate, 1);
}

std::vector<std::uint8_t> AlarmPlaybackProbe::wavData(const std::vector<std::int16_t>& samples,
                                                      std::uint32_t sampleRate, std::uint16_t channels)
{
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(44 + dataSize);
    appendText(bytes, "RIFF");
    appendLittleEndian(bytes, 36 + dataSize, 4);
    appendText(bytes, "WAVE");
    appendText(bytes, "fmt ");
    appendLittleEndian(bytes, 16, 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, channels, 2);
    appendLittleEndian(bytes, sampleRate, 4);
    appendLittleEndian(bytes, sampleRate * channels * 2U, 4);
    appendLittleEndian(bytes, channels * 2U, 2);
    appendLittleEndian(bytes, 16, 2);
    appendText(bytes, "data");
    appendLittleEndian(bytes, dataSize, 4);
    for (const auto sample : samples) {
        appendLittleEndian(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

} // namespace hollerbox
