#pragma once

#include "AlarmPlaybackProbe.h"
#include "AlarmSoundSelection.h"
#include "AudioFilePlayer.h"
#include "BuiltInSoundLocator.h"
#include "SystemAudioOverrideController.h"
#include "ports/BackgroundWorker.h"
#include "ports/Clock.h"
#include "ports/MainQueue.h"
#include "ports/ScheduledTask.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace hollerbox {

/// Plays the selected sound once on demand, as a preview or, with a volume override, as a test alarm. A
/// file that cannot be played falls back to the default sound's file once, or to one tone when that file is
/// missing. Every end of a playing, `stop` included, silences it and gives the output device back at once.
/// Main thread only; the factory, locator, queue, worker and clock must outlive background work it started.
class AlarmPreviewController final
{
public:
    using PlaybackStateHandler = std::function<void(bool isPlaying)>;

    AlarmPreviewController(std::unique_ptr<SystemAudioOverrideController> audioOverrideController,
                           AudioFilePlayerFactory& players, const BuiltInSoundLocator& sounds,
                           MainQueue& mainQueue, BackgroundWorker& worker, const Clock& clock);
    /// Ends a playing sound and its override without calling the handler.
    ~AlarmPreviewController();

    AlarmPreviewController(const AlarmPreviewController&) = delete;
    AlarmPreviewController& operator=(const AlarmPreviewController&) = delete;

    /// True from `play` until the sound has ended or was stopped.
    bool isPlaying() const { return m_isPlaying; }
    /// Stops what plays, then plays `selection` once; with `overrideVolumeScalar` the output device is kept
    /// unmuted at that volume (clamped to 0...1) while it plays.
    void play(const AlarmSoundSelection& selection, std::optional<float> overrideVolumeScalar);
    /// Stops the sound, restores the output device and reports the end; safe when nothing plays.
    void stop();
    /// Called with true when playing starts and with false when it ends, only on changes.
    void setOnPlaybackStateChanged(PlaybackStateHandler handler)
    {
        m_onPlaybackStateChanged = std::move(handler);
    }

    SystemAudioOverrideController& audioOverrideController() { return *m_audioOverrideController; }

private:
    struct Liveness
    {
        AlarmPreviewController* controller = nullptr;
    };

    void setPlaying();
    /// Opens `file` as background work and plays it; when it cannot, falls back, unless it is the fallback.
    void startFile(const std::string& file, bool isFallback);
    void startOpenedPlayer(std::unique_ptr<AudioFilePlayer> player);
    /// Plays the default sound's file, or one tone when it is missing.
    void startFallback();
    void startTone();
    void startOverrideRefreshLoop(float targetVolumeScalar);
    void checkUnknownDuration(WallTime startedAt);
    /// Runs `action` on the main thread if this controller still exists and has not moved on since.
    std::function<void()> ifStillCurrent(std::function<void(AlarmPreviewController&)> action) const;
    void retire(std::unique_ptr<ScheduledTask> task);

    std::unique_ptr<SystemAudioOverrideController> m_audioOverrideController;
    AudioFilePlayerFactory& m_players;
    const BuiltInSoundLocator& m_sounds;
    MainQueue& m_mainQueue;
    BackgroundWorker& m_worker;
    const Clock& m_clock;

    bool m_isPlaying = false;
    PlaybackStateHandler m_onPlaybackStateChanged;
    std::unique_ptr<AudioFilePlayer> m_player;
    std::unique_ptr<ScheduledTask> m_stopTask;
    std::unique_ptr<ScheduledTask> m_overrideRefreshTask;
    std::uint64_t m_generation = 0;
    std::shared_ptr<Liveness> m_liveness = std::make_shared<Liveness>();
};

} // namespace hollerbox
