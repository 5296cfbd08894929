#pragma once

#include "audio/AlarmSoundSelection.h"

#include <cstdint>
#include <optional>

namespace hollerbox {

/// Plays the alarm sound, optionally forcing the output volume while it plays.
class AlarmPlaybackControlling
{
public:
    virtual ~AlarmPlaybackControlling() = default;

    /// True while a playback started by `play` is still running.
    virtual bool isPlaying() const = 0;
    /// Starts one playback and returns at once; with an override the output is forced to that volume.
    virtual void play(const AlarmSoundSelection& selection, int count, std::uint64_t intervalMilliseconds,
                      std::optional<float> overrideVolumeScalar) = 0;
    /// Ends any playback at once and undoes any volume override.
    virtual void stop() = 0;
    /// Readies `selection` so that a later `play` of it starts at once; it stays ready until `release`.
    virtual void prepare(const AlarmSoundSelection& /*selection*/) {}
    /// Gives back what `prepare` holds; a playing sound goes on.
    virtual void release() {}
};

} // namespace hollerbox
