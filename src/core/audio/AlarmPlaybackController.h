#pragma once

#include "AlarmPlaybackProbe.h"
#include "AudioFilePlayer.h"
#include "BuiltInSoundLocator.h"
#include "SystemAudioOverrideController.h"
#include "engine/AlarmPlaybackControlling.h"
#include "ports/BackgroundWorker.h"
#include "ports/Clock.h"
#include "ports/MainQueue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// Plays one alarm per `play`: the selected file, the default sound when a custom file cannot be played, a
/// synthesised pattern when a built-in file is missing, or, when a built-in file cannot be opened, that file
/// tried again `count` times, the interval apart. While there is no output device at all, a custom file waits
/// for one instead of falling back, and the tries wait without being used up. A sound that fails while it
/// plays (its sound server went away) is played again from the start. With a volume override it keeps the
/// output device unmuted at that volume while sounds play (every 500 ms, and at once when the sound server
/// reports a change), and gives the device back only in `stop` (or on destruction). Files and tones are
/// opened as background work, so the main thread never waits for the sound server, and `stop` ends every
/// sound at once, retries and patterns included; `prepare` opens the selected file ahead, so that its `play`
/// only starts it, and opens it again after each playback until `release`. Main thread only; the factory,
/// locator, queue, worker and clock must outlive background work that the controller started.
class AlarmPlaybackController final : public AlarmPlaybackControlling
{
public:
    AlarmPlaybackController(std::unique_ptr<SystemAudioOverrideController> audioOverrideController,
                            AudioFilePlayerFactory& players, const BuiltInSoundLocator& sounds,
                            MainQueue& mainQueue, BackgroundWorker& worker, const Clock& clock);
    /// Stops as `stop` does, giving the output device back.
    ~AlarmPlaybackController() override;

    AlarmPlaybackController(const AlarmPlaybackController&) = delete;
    AlarmPlaybackController& operator=(const AlarmPlaybackController&) = delete;

    bool isPlaying() const override { return m_currentPlay.has_value(); }
    void play(const AlarmSoundSelection& selection, int count, std::uint64_t intervalMilliseconds,
              std::optional<float> overrideVolumeScalar) override;
    void stop() override;
    void prepare(const AlarmSoundSelection& selection) override;
    void release() override;

    SystemAudioOverrideController& audioOverrideController() { return *m_audioOverrideController; }

private:
    struct Liveness
    {
        AlarmPlaybackController* controller = nullptr;
    };

    /// The arguments of a `play`.
    struct PlayRequest
    {
        AlarmSoundSelection selection;
        int count = 0;
        std::uint64_t intervalMilliseconds = 0;
        std::optional<float> overrideVolumeScalar;
    };

    void startUnprepared(const AlarmSoundSelection& selection, int count, std::uint64_t intervalMilliseconds);
    /// Plays the last `play` again, unprepared, when the sound playing has failed.
    void checkForFailure();
    bool hasOutputDevice();
    /// Polls for an output device, telling once that it waits, and calls `then` when one is there.
    void waitForOutputDevice(std::function<void()> then);
    void startPreparing();
    void preparationFinished(std::unique_ptr<AudioFilePlayer> player);
    void stopCurrentPlayback();
    void startBuiltInPlayback(const AlarmSoundSelection& selection, int count,
                              std::uint64_t intervalMilliseconds);
    /// Opens `file` as background work and plays it; calls `onFailure` on the main thread when it cannot.
    void startAudioFilePlayback(const std::string& file, std::function<void()> onFailure);
    /// Opens a player off the main thread; back on it, unless a stop or another play came first, prints
    /// `errorLine` with the reason and calls `onFailure`, or hands the player to `onOpened`.
    void openInBackground(std::function<AudioFilePlayerOpening(AudioFilePlayerFactory&)> open,
                          const char* errorLine, std::function<void()> onFailure,
                          std::function<void(std::unique_ptr<AudioFilePlayer>)> onOpened);
    void startOpenedPlayer(std::unique_ptr<AudioFilePlayer> player);
    /// Opens `file` again `count` times, the play's interval apart, playing each opening to its end.
    void startRetries(const std::string& file, int count);
    void openNextRetry();
    /// Waits for the next try: the interval, or without using one up until an output device is back.
    void retryFailed();
    void pauseBeforeNextRetry();
    /// Ends the playing, or with retries left waits for the next one.
    void fileEnded();
    void startPattern(BuiltInAlarmSound sound, int count, std::uint64_t intervalMilliseconds);
    void openNextPatternTone();
    void startPatternTone(std::unique_ptr<AudioFilePlayer> player, AlarmPlaybackProbe::PatternTone tone);
    void startOverrideRefreshLoop(float targetVolumeScalar);
    void finishPlayback();
    void checkUnknownDuration(WallTime startedAt);
    void onAudioChanged();
    void retire(std::unique_ptr<ScheduledTask> task);

    std::unique_ptr<SystemAudioOverrideController> m_audioOverrideController;
    AudioFilePlayerFactory& m_players;
    const BuiltInSoundLocator& m_sounds;
    MainQueue& m_mainQueue;
    BackgroundWorker& m_worker;
    const Clock& m_clock;

    std::unique_ptr<AudioFilePlayer> m_customPlayer;
    std::unique_ptr<ScheduledTask> m_playbackTask;
    std::unique_ptr<ScheduledTask> m_overrideRefreshTask;
    std::unique_ptr<ScheduledTask> m_failureCheck;
    std::optional<float> m_overrideTarget;
    std::vector<AlarmPlaybackProbe::PatternTone> m_patternTones;
    std::size_t m_nextPatternTone = 0;
    std::optional<std::string> m_retriedFile;
    int m_retriesLeft = 0;
    bool m_waitingForOutput = false;
    std::uint64_t m_generation = 0;
    std::optional<AlarmSoundSelection> m_preparedSelection;
    std::unique_ptr<AudioFilePlayer> m_preparedPlayer;
    bool m_preparing = false;
    std::uint64_t m_preparationGeneration = 0;
    /// The `play` under way; none once it has finished or been stopped.
    std::optional<PlayRequest> m_currentPlay;
    /// A `play` of the selection being prepared waits for the preparation.
    bool m_startPending = false;
    std::shared_ptr<Liveness> m_liveness = std::make_shared<Liveness>();
};

} // namespace hollerbox
