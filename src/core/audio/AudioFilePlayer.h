#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// One opened and prepared sound. Playing is asynchronous and never blocks the caller; destroying the player
/// stops and releases it. Usable from one thread at a time.
class AudioFilePlayer
{
public:
    virtual ~AudioFilePlayer() = default;

    /// The sound's length in seconds, or none while it is not known yet (some files tell only once playing).
    virtual std::optional<double> durationSeconds() = 0;
    /// Sets the player's own volume (0 to 1) and unmutes its own stream; applied again on every call.
    virtual void setVolume(float volume) = 0;
    /// Starts playing from the beginning.
    virtual void play() = 0;
    /// Stops playing.
    virtual void stop() = 0;
    /// True once the player failed after opening (its sound server went away, for one); it then plays
    /// nothing.
    virtual bool hasFailed() const { return false; }
};

/// Result of opening a sound: a prepared player, or the description of why the sound cannot be played.
struct AudioFilePlayerOpening
{
    std::unique_ptr<AudioFilePlayer> player;
    std::string error;
};

/// Opens sounds for playing. Opening decodes enough to know errors and, usually, the duration; it blocks the
/// calling thread for a bounded time, so callers on the main thread run it as background work. Any thread.
class AudioFilePlayerFactory
{
public:
    virtual ~AudioFilePlayerFactory() = default;

    /// Opens the audio file at `path`.
    virtual AudioFilePlayerOpening openFile(const std::string& path) = 0;
    /// Opens a complete WAV file held in memory.
    virtual AudioFilePlayerOpening openWavData(std::vector<std::uint8_t> bytes) = 0;
};

} // namespace hollerbox
