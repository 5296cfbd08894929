#include "AlarmPreviewController.h"

#include "PlaybackTiming.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace hollerbox {

namespace {

constexpr double kFallbackToneHertz = 1320.0;
constexpr double kFallbackToneSeconds = 0.18;

void writeError(const char* prefix, const std::string& description)
{
    std::fprintf(stderr, "%s%s\n", prefix, description.c_str());
    std::fflush(stderr);
}

} // namespace

AlarmPreviewController::AlarmPreviewController(
    std::unique_ptr<SystemAudioOverrideController> audioOverrideController, AudioFilePlayerFactory& players,
    const BuiltInSoundLocator& sounds, MainQueue& mainQueue, BackgroundWorker& worker, const Clock& clock)
    : m_audioOverrideController(std::move(audioOverrideController)), m_players(players), m_sounds(sounds),
      m_mainQueue(mainQueue), m_worker(worker), m_clock(clock)
{
    m_liveness->controller = this;
}

AlarmPreviewController::~AlarmPreviewController()
{
    m_liveness->controller = nullptr;
    retire(std::move(m_stopTask));
    m_overrideRefreshTask.reset();
    if (m_player) {
        m_player->stop();
        m_player.reset();
    }
    m_audioOverrideController->end();
}

void AlarmPreviewController::play(const AlarmSoundSelection& selection,
                                  std::optional<float> overrideVolumeScalar)
{
    stop();
    if (overrideVolumeScalar) {
        const auto target = clampedVolumeScalar(*overrideVolumeScalar);
        m_audioOverrideController->begin(target);
        startOverrideRefreshLoop(target);
    }
    const auto sound = selection.builtInSound();
    const auto file = sound ? sound->bundledFileURL(m_sounds) : selection.customFilePath();
    if (file) {
        startFile(*file, false);
    } else {
        startFallback();
    }
    setPlaying();
}

void AlarmPreviewController::stop()
{
    ++m_generation;
    retire(std::move(m_stopTask));
    m_overrideRefreshTask.reset();
    if (m_player) {
        m_player->stop();
        m_player.reset();
    }
    m_audioOverrideController->end();
    if (m_isPlaying) {
        m_isPlaying = false;
        if (m_onPlaybackStateChanged) {
            m_onPlaybackStateChanged(false);
        }
    }
}

void AlarmPreviewController::setPlaying()
{
    if (m_isPlaying) {
        return;
    }
    m_isPlaying = true;
    if (m_onPlaybackStateChanged) {
        m_onPlaybackStateChanged(true);
    }
}

void AlarmPreviewController::startFile(const std::string& file, bool isFallback)
{
    auto opening = std::make_shared<AudioFilePlayerOpening>();
    m_worker.run([opening, file, &players = m_players] { *opening = players.openFile(file); },
                 ifStillCurrent([opening, isFallback](AlarmPreviewController& controller) {
                     if (opening->player) {
                         controller.startOpenedPlayer(std::move(opening->player));
                     } else if (!isFallback) {
                         controller.startFallback();
                     } else {
                         writeError("AlarmPlaybackProbe custom file error: ", opening->error);
                         controller.stop();
                     }
                 }));
}

void AlarmPreviewController::startOpenedPlayer(std::unique_ptr<AudioFilePlayer> player)
{
    player->setVolume(1.0f);
    m_player = std::move(player);
    m_player->play();
    if (const auto duration = m_player->durationSeconds()) {
        m_stopTask = m_mainQueue.scheduleAfter(
            PlaybackTiming::toMilliseconds(std::max(*duration, PlaybackTiming::minimumFileSeconds)),
            [this] { stop(); });
        return;
    }
    const auto startedAt = m_clock.now();
    m_stopTask = m_mainQueue.scheduleRepeating(PlaybackTiming::durationPollPeriod,
                                               [this, startedAt] { checkUnknownDuration(startedAt); });
}

void AlarmPreviewController::checkUnknownDuration(WallTime startedAt)
{
    const auto duration = m_player ? m_player->durationSeconds() : std::nullopt;
    const auto wait = duration ? std::max(*duration, PlaybackTiming::minimumFileSeconds)
                               : PlaybackTiming::unknownDurationLimitSeconds;
    if (secondsBetween(startedAt, m_clock.now()) + 1e-9 >= wait) {
        stop();
    }
}

void AlarmPreviewController::startFallback()
{
    if (const auto file = BuiltInAlarmSound{BuiltInAlarmSound::handsOff}.bundledFileURL(m_sounds)) {
        startFile(*file, true);
    } else {
        startTone();
    }
}

void AlarmPreviewController::startTone()
{
    auto opening = std::make_shared<AudioFilePlayerOpening>();
    m_worker.run(
        [opening, &players = m_players] {
            *opening =
                players.openWavData(AlarmPlaybackProbe::toneWav(kFallbackToneHertz, kFallbackToneSeconds));
        },
        ifStillCurrent([opening](AlarmPreviewController& controller) {
            if (opening->player) {
                controller.startOpenedPlayer(std::move(opening->player));
            } else {
                writeError("AlarmPlaybackProbe error: ", opening->error);
                controller.stop();
            }
        }));
}

void AlarmPreviewController::startOverrideRefreshLoop(float targetVolumeScalar)
{
    m_overrideRefreshTask =
        m_mainQueue.scheduleRepeating(PlaybackTiming::overrideRefreshPeriod, [this, targetVolumeScalar] {
            if (!m_isPlaying) {
                return;
            }
            m_audioOverrideController->begin(targetVolumeScalar);
            if (m_player) {
                m_player->setVolume(1.0f);
            }
        });
}

std::function<void()>
AlarmPreviewController::ifStillCurrent(std::function<void(AlarmPreviewController&)> action) const
{
    return [liveness = std::weak_ptr<Liveness>(m_liveness), generation = m_generation,
            action = std::move(action)] {
        const auto alive = liveness.lock();
        if (alive && alive->controller && alive->controller->m_generation == generation) {
            action(*alive->controller);
        }
    };
}

void AlarmPreviewController::retire(std::unique_ptr<ScheduledTask> task)
{
    if (task) {
        task->cancel();
        m_mainQueue.post([retired = std::shared_ptr<ScheduledTask>(std::move(task))] {});
    }
}

} // namespace hollerbox
