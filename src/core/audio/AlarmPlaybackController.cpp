#include "AlarmPlaybackController.h"

#include "PlaybackTiming.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace hollerbox {

AlarmPlaybackController::AlarmPlaybackController(
    std::unique_ptr<SystemAudioOverrideController> audioOverrideController, AudioFilePlayerFactory& players,
    const BuiltInSoundLocator& sounds, MainQueue& mainQueue, BackgroundWorker& worker, const Clock& clock)
    : m_audioOverrideController(std::move(audioOverrideController)), m_players(players), m_sounds(sounds),
      m_mainQueue(mainQueue), m_worker(worker), m_clock(clock)
{
    m_liveness->controller = this;
}

AlarmPlaybackController::~AlarmPlaybackController()
{
    m_liveness->controller = nullptr;
    stop();
    release();
}

void AlarmPlaybackController::play(const AlarmSoundSelection& selection, int count,
                                   std::uint64_t intervalMilliseconds,
                                   std::optional<float> overrideVolumeScalar)
{
    stopCurrentPlayback();
    m_currentPlay = PlayRequest{selection, count, intervalMilliseconds, overrideVolumeScalar};
    m_failureCheck =
        m_mainQueue.scheduleRepeating(PlaybackTiming::failureCheckPeriod, [this] { checkForFailure(); });
    if (overrideVolumeScalar) {
        m_audioOverrideController->begin(clampedVolumeScalar(*overrideVolumeScalar));
        startOverrideRefreshLoop(*overrideVolumeScalar);
    }
    if (m_preparedPlayer && m_preparedPlayer->hasFailed()) {
        m_preparedPlayer.reset();
    }
    if (m_preparedSelection == selection && m_preparedPlayer) {
        startOpenedPlayer(std::move(m_preparedPlayer));
        return;
    }
    if (m_preparedSelection == selection && m_preparing) {
        m_startPending = true;
        return;
    }
    startUnprepared(selection, count, intervalMilliseconds);
}

void AlarmPlaybackController::startUnprepared(const AlarmSoundSelection& selection, int count,
                                              std::uint64_t intervalMilliseconds)
{
    if (selection.isBuiltIn()) {
        startBuiltInPlayback(selection, count, intervalMilliseconds);
        return;
    }
    startAudioFilePlayback(*selection.customFilePath(), [this, selection, count, intervalMilliseconds] {
        if (!hasOutputDevice()) {
            waitForOutputDevice([this, selection, count, intervalMilliseconds] {
                startUnprepared(selection, count, intervalMilliseconds);
            });
            return;
        }
        startBuiltInPlayback(AlarmSoundSelection::defaultSelection(), count, intervalMilliseconds);
    });
}

void AlarmPlaybackController::checkForFailure()
{
    if (!m_customPlayer || !m_customPlayer->hasFailed()) {
        return;
    }
    std::fprintf(stderr, "AlarmPlaybackController sound failed while playing; opening it again.\n");
    std::fflush(stderr);
    retire(std::move(m_failureCheck));
    const auto request = *m_currentPlay;
    play(request.selection, request.count, request.intervalMilliseconds, request.overrideVolumeScalar);
}

bool AlarmPlaybackController::hasOutputDevice()
{
    return m_audioOverrideController->hardware().defaultOutputDeviceID().has_value();
}

void AlarmPlaybackController::waitForOutputDevice(std::function<void()> then)
{
    if (!m_waitingForOutput) {
        std::fprintf(stderr,
                     "AlarmPlaybackController has no output device; waiting for one to play again.\n");
        std::fflush(stderr);
        m_waitingForOutput = true;
    }
    retire(std::move(m_playbackTask));
    m_playbackTask = m_mainQueue.scheduleAfter(PlaybackTiming::outputReturnPollPeriod, [this, then] {
        if (!hasOutputDevice()) {
            waitForOutputDevice(then);
            return;
        }
        m_waitingForOutput = false;
        then();
    });
}

void AlarmPlaybackController::prepare(const AlarmSoundSelection& selection)
{
    if (m_preparedSelection != selection) {
        release();
        m_preparedSelection = selection;
    }
    if (!m_preparedPlayer && !m_preparing) {
        startPreparing();
    }
}

void AlarmPlaybackController::release()
{
    ++m_preparationGeneration;
    m_preparing = false;
    m_preparedSelection.reset();
    m_preparedPlayer.reset();
    if (std::exchange(m_startPending, false)) {
        startUnprepared(m_currentPlay->selection, m_currentPlay->count, m_currentPlay->intervalMilliseconds);
    }
}

void AlarmPlaybackController::startPreparing()
{
    // The files `play` would try, in its order; a missing built-in file is synthesised, not prepared, and a
    // custom file that fails while there is no device is opened again rather than replaced.
    std::vector<std::string> files;
    const auto custom = m_preparedSelection->customFilePath();
    if (custom) {
        files.push_back(*custom);
    }
    const auto builtIn =
        m_preparedSelection->isBuiltIn() ? *m_preparedSelection : AlarmSoundSelection::defaultSelection();
    if (const auto file = builtIn.builtInSound()->bundledFileURL(m_sounds);
        file && (!custom || hasOutputDevice())) {
        files.push_back(*file);
    }
    if (files.empty()) {
        return;
    }
    m_preparing = true;
    const auto generation = ++m_preparationGeneration;
    auto opening = std::make_shared<AudioFilePlayerOpening>();
    m_worker.run(
        [opening, files, &players = m_players] {
            for (const auto& file : files) {
                *opening = players.openFile(file);
                if (opening->player) {
                    return;
                }
                std::fprintf(stderr, "AlarmPlaybackController custom file error: %s\n",
                             opening->error.c_str());
                std::fflush(stderr);
            }
        },
        [liveness = std::weak_ptr<Liveness>(m_liveness), generation, opening] {
            const auto alive = liveness.lock();
            if (alive && alive->controller && alive->controller->m_preparationGeneration == generation) {
                alive->controller->preparationFinished(std::move(opening->player));
            }
        });
}

void AlarmPlaybackController::preparationFinished(std::unique_ptr<AudioFilePlayer> player)
{
    m_preparing = false;
    if (!std::exchange(m_startPending, false)) {
        m_preparedPlayer = std::move(player);
    } else if (player) {
        startOpenedPlayer(std::move(player));
    } else {
        startUnprepared(m_currentPlay->selection, m_currentPlay->count, m_currentPlay->intervalMilliseconds);
    }
}

void AlarmPlaybackController::stop()
{
    stopCurrentPlayback();
    m_audioOverrideController->end();
}

void AlarmPlaybackController::stopCurrentPlayback()
{
    ++m_generation;
    m_patternTones.clear();
    m_retriedFile.reset();
    m_startPending = false;
    m_currentPlay.reset();
    m_failureCheck.reset();
    m_waitingForOutput = false;
    m_playbackTask.reset();
    m_overrideRefreshTask.reset();
    m_overrideTarget.reset();
    m_audioOverrideController->hardware().setChangeHandler({});
    if (m_customPlayer) {
        m_customPlayer->stop();
        m_customPlayer.reset();
    }
}

void AlarmPlaybackController::finishPlayback()
{
    ++m_generation;
    m_patternTones.clear();
    m_retriedFile.reset();
    retire(std::move(m_playbackTask));
    retire(std::move(m_failureCheck));
    m_currentPlay.reset();
    m_waitingForOutput = false;
    m_overrideRefreshTask.reset();
    m_overrideTarget.reset();
    m_audioOverrideController->hardware().setChangeHandler({});
    if (m_customPlayer) {
        m_customPlayer->stop();
        m_customPlayer.reset();
    }
    if (m_preparedSelection && !m_preparedPlayer && !m_preparing) {
        startPreparing();
    }
}

void AlarmPlaybackController::retire(std::unique_ptr<ScheduledTask> task)
{
    if (task) {
        task->cancel();
        m_mainQueue.post([retired = std::shared_ptr<ScheduledTask>(std::move(task))] {});
    }
}

void AlarmPlaybackController::startBuiltInPlayback(const AlarmSoundSelection& selection, int count,
                                                   std::uint64_t intervalMilliseconds)
{
    const auto sound = selection.builtInSound().value_or(BuiltInAlarmSound{BuiltInAlarmSound::handsOff});
    const auto file = sound.bundledFileURL(m_sounds);
    if (!file) {
        startPattern(sound, count, intervalMilliseconds);
        return;
    }
    startAudioFilePlayback(*file, [this, file = *file, count] { startRetries(file, count); });
}

void AlarmPlaybackController::startRetries(const std::string& file, int count)
{
    m_retriedFile = file;
    m_retriesLeft = count;
    openNextRetry();
}

void AlarmPlaybackController::openNextRetry()
{
    retire(std::move(m_playbackTask));
    if (m_retriesLeft <= 0) {
        finishPlayback();
        return;
    }
    --m_retriesLeft;
    openInBackground(
        [file = *m_retriedFile](AudioFilePlayerFactory& players) { return players.openFile(file); },
        "AlarmPlaybackProbe custom file error: ", [this] { retryFailed(); },
        [this](std::unique_ptr<AudioFilePlayer> player) { startOpenedPlayer(std::move(player)); });
}

void AlarmPlaybackController::retryFailed()
{
    if (hasOutputDevice()) {
        pauseBeforeNextRetry();
        return;
    }
    ++m_retriesLeft;
    waitForOutputDevice([this] { openNextRetry(); });
}

void AlarmPlaybackController::pauseBeforeNextRetry()
{
    retire(std::move(m_playbackTask));
    if (m_retriesLeft <= 0) {
        finishPlayback();
        return;
    }
    m_playbackTask = m_mainQueue.scheduleAfter(std::chrono::milliseconds{m_currentPlay->intervalMilliseconds},
                                               [this] { openNextRetry(); });
}

void AlarmPlaybackController::fileEnded()
{
    if (!m_retriedFile) {
        finishPlayback();
        return;
    }
    if (m_customPlayer) {
        m_customPlayer->stop();
        m_customPlayer.reset();
    }
    pauseBeforeNextRetry();
}

void AlarmPlaybackController::startPattern(BuiltInAlarmSound sound, int count,
                                           std::uint64_t intervalMilliseconds)
{
    m_patternTones = AlarmPlaybackProbe::pattern(sound, count, intervalMilliseconds);
    m_nextPatternTone = 0;
    openNextPatternTone();
}

void AlarmPlaybackController::openNextPatternTone()
{
    retire(std::move(m_playbackTask));
    if (m_nextPatternTone >= m_patternTones.size()) {
        finishPlayback();
        return;
    }
    const auto tone = m_patternTones[m_nextPatternTone++];
    openInBackground(
        [tone](AudioFilePlayerFactory& players) {
            return players.openWavData(AlarmPlaybackProbe::toneWav(tone.frequency, tone.seconds));
        },
        "AlarmPlaybackController tone error: ", [this] { finishPlayback(); },
        [this, tone](std::unique_ptr<AudioFilePlayer> player) { startPatternTone(std::move(player), tone); });
}

void AlarmPlaybackController::startPatternTone(std::unique_ptr<AudioFilePlayer> player,
                                               AlarmPlaybackProbe::PatternTone tone)
{
    player->setVolume(1.0f);
    m_waitingForOutput = false;
    m_customPlayer = std::move(player);
    m_customPlayer->play();
    m_playbackTask = m_mainQueue.scheduleAfter(
        PlaybackTiming::toMilliseconds(tone.seconds + AlarmPlaybackProbe::toneTailSeconds),
        [this, silence = tone.silenceAfter] {
            m_customPlayer->stop();
            m_customPlayer.reset();
            retire(std::move(m_playbackTask));
            m_playbackTask = m_mainQueue.scheduleAfter(PlaybackTiming::toMilliseconds(silence),
                                                       [this] { openNextPatternTone(); });
        });
}

void AlarmPlaybackController::startAudioFilePlayback(const std::string& file, std::function<void()> onFailure)
{
    openInBackground(
        [file](AudioFilePlayerFactory& players) { return players.openFile(file); },
        "AlarmPlaybackController custom file error: ", std::move(onFailure),
        [this](std::unique_ptr<AudioFilePlayer> player) { startOpenedPlayer(std::move(player)); });
}

void AlarmPlaybackController::openInBackground(
    std::function<AudioFilePlayerOpening(AudioFilePlayerFactory&)> open, const char* errorLine,
    std::function<void()> onFailure, std::function<void(std::unique_ptr<AudioFilePlayer>)> onOpened)
{
    const auto generation = m_generation;
    auto opening = std::make_shared<AudioFilePlayerOpening>();
    m_worker.run([opening, open = std::move(open), &players = m_players] { *opening = open(players); },
                 [liveness = std::weak_ptr<Liveness>(m_liveness), generation, opening, errorLine,
                  onFailure = std::move(onFailure), onOpened = std::move(onOpened)] {
                     const auto alive = liveness.lock();
                     if (!alive || !alive->controller || alive->controller->m_generation != generation) {
                         return;
                     }
                     if (!opening->player) {
                         if (!alive->controller->m_waitingForOutput) {
                             std::fprintf(stderr, "%s%s\n", errorLine, opening->error.c_str());
                             std::fflush(stderr);
                         }
                         onFailure();
                         return;
                     }
                     onOpened(std::move(opening->player));
                 });
}

void AlarmPlaybackController::startOpenedPlayer(std::unique_ptr<AudioFilePlayer> player)
{
    player->setVolume(1.0f);
    m_waitingForOutput = false;
    m_customPlayer = std::move(player);
    m_customPlayer->play();
    const auto duration = m_customPlayer->durationSeconds();
    if (!duration) {
        const auto startedAt = m_clock.now();
        m_playbackTask = m_mainQueue.scheduleRepeating(
            PlaybackTiming::durationPollPeriod, [this, startedAt] { checkUnknownDuration(startedAt); });
        return;
    }
    const auto wait = std::max(*duration, PlaybackTiming::minimumFileSeconds);
    m_playbackTask = m_mainQueue.scheduleAfter(PlaybackTiming::toMilliseconds(wait), [this] { fileEnded(); });
}

void AlarmPlaybackController::checkUnknownDuration(WallTime startedAt)
{
    const auto elapsed = secondsBetween(startedAt, m_clock.now());
    const auto duration = m_customPlayer ? m_customPlayer->durationSeconds() : std::nullopt;
    const auto wait = duration ? std::max(*duration, PlaybackTiming::minimumFileSeconds)
                               : PlaybackTiming::unknownDurationLimitSeconds;
    if (elapsed + 1e-9 >= wait) {
        fileEnded();
    }
}

void AlarmPlaybackController::startOverrideRefreshLoop(float targetVolumeScalar)
{
    m_overrideRefreshTask.reset();
    m_overrideTarget = clampedVolumeScalar(targetVolumeScalar);
    m_overrideRefreshTask = m_mainQueue.scheduleRepeating(PlaybackTiming::overrideRefreshPeriod, [this] {
        if (isPlaying() && m_overrideTarget) {
            m_audioOverrideController->begin(*m_overrideTarget);
            if (m_customPlayer) {
                m_customPlayer->setVolume(1.0f);
            }
        }
    });
    m_audioOverrideController->hardware().setChangeHandler([this] { onAudioChanged(); });
}

void AlarmPlaybackController::onAudioChanged()
{
    if (!isPlaying() || !m_overrideTarget) {
        return;
    }
    if (m_audioOverrideController->isOverriding()) {
        m_audioOverrideController->reapplyIfChanged(*m_overrideTarget);
    } else {
        m_audioOverrideController->begin(*m_overrideTarget);
    }
}

} // namespace hollerbox
