#pragma once

#include "AlarmPlaybackResult.h"
#include "AlarmSoundSelection.h"
#include "AudioFilePlayer.h"
#include "BuiltInSoundLocator.h"
#include "ports/Clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// Plays an alarm synchronously, blocking the calling thread until done: the selected file, or a synthesised
/// tone pattern when a built-in sound's file is missing. Any thread; never on the main thread.
class AlarmPlaybackProbe
{
public:
    /// Blocks the calling thread for the given number of seconds.
    using Sleeper = std::function<void(double seconds)>;

    static constexpr std::uint32_t toneSampleRate = 44100;
    /// How long a sound is left to play past its own length, so that the sink plays it out.
    static constexpr double toneTailSeconds = 0.05;

    /// One tone of a synthesised pattern and the silence after it.
    struct PatternTone
    {
        double frequency = 0.0;
        double seconds = 0.0;
        double silenceAfter = 0.0;
    };

    AlarmPlaybackProbe(AudioFilePlayerFactory& players, const BuiltInSoundLocator& sounds, const Clock& clock,
                       Sleeper sleeper = {});

    /// Plays `selection` `count` times, `intervalMilliseconds` apart.
    AlarmPlaybackResult playAlarm(const AlarmSoundSelection& selection, int count,
                                  std::uint64_t intervalMilliseconds);
    /// `playAlarm` with the default selection.
    AlarmPlaybackResult playSystemBeep(int count, std::uint64_t intervalMilliseconds);

    /// Plays the file at `path` to its end (at least 0.25 s, at most `maxDuration`); false when it cannot be
    /// opened, after writing the error to standard error.
    bool playAudioFile(const std::string& path, std::optional<double> maxDuration);
    /// Plays a sine tone with 10 ms fades from memory.
    void playTone(double frequency, double durationSeconds);

    /// The tones that stand in for `sound`'s file, `count` times `intervalMilliseconds` apart.
    static std::vector<PatternTone> pattern(BuiltInAlarmSound sound, int count,
                                            std::uint64_t intervalMilliseconds);
    /// A tone as a WAV file in memory.
    static std::vector<std::uint8_t> toneWav(double frequency, double durationSeconds);

    /// The tone's signed 16-bit samples at 44.1 kHz.
    static std::vector<std::int16_t> toneSamples(double frequency, double durationSeconds);
    /// A canonical 44-byte mono 16-bit PCM WAV header followed by `samples`.
    static std::vector<std::uint8_t> wavData(const std::vector<std::int16_t>& samples,
                                             std::uint32_t sampleRate);
    /// The same for interleaved 16-bit samples of `channels` channels.
    static std::vector<std::uint8_t> wavData(const std::vector<std::int16_t>& samples,
                                             std::uint32_t sampleRate, std::uint16_t channels);

private:
    void pause(double seconds);

    AudioFilePlayerFactory& m_players;
    const BuiltInSoundLocator& m_sounds;
    const Clock& m_clock;
    Sleeper m_sleeper;
};

} // namespace hollerbox
