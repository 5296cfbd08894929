#include "BackgroundMonitorRuntime.h"

#include "audio/AlarmPlaybackController.h"
#include "audio/AudioReadinessProbe.h"
#include "audio/BuiltInSoundLocator.h"
#include "audio/SystemAudioOverrideController.h"
#include "linux/audio/AudioFilePlayerFactoryGst.h"
#include "linux/audio/AudioHardwarePulse.h"
#include "linux/audio/ResourceDirectoriesLinux.h"
#include "linux/base/BackgroundWorkerQt.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/LinuxAccelerometerSources.h"
#include "linux/session/RootDomainReaderLogind.h"
#include "linux/session/SleepInhibitorLogind.h"
#include "motion/SPUMovementMonitor.h"
#include "session/AssumedLockedStateMonitor.h"
#include "session/PowerAssertionLease.h"

namespace hollerbox {

namespace {

constexpr float kRecommendedMinimumVolume = 0.15F;
constexpr std::chrono::milliseconds kExitDelay{100};

} // namespace

BackgroundMonitorRuntime::BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                                                   std::function<void(int)> exitProcess)
    : m_exitProcess(std::move(exitProcess)),
      m_logger(std::make_shared<BackgroundMonitorLogger>(options.logFilePath))
{
    m_logger->write(BackgroundMonitorLogger::startLine);

    m_resourceDirectories = std::make_unique<ResourceDirectoriesLinux>();
    m_sounds = std::make_unique<BuiltInSoundLocator>(*m_resourceDirectories,
                                                     BuiltInSoundLocator::Scope::coreBundleAndProgram,
                                                     CoreResourceBundle::Lookup::backgroundMonitor);
    // A broken installation stops the program now, before the audio output is ever touched.
    m_sounds->coreBundlePath();
    m_audioHardware = std::make_unique<AudioHardwarePulse>(m_mainQueue, AudioHardwarePulse::Options{});
    m_players = std::make_unique<AudioFilePlayerFactoryGst>(AudioFilePlayerFactoryGst::Options{});
    m_worker = std::make_unique<BackgroundWorkerQt>(m_mainQueue);
    m_hidAccess = std::make_unique<HidAccessHidraw>();

    ProtectionConfiguration configuration;
    configuration.armDelaySeconds = options.armDelaySeconds;
    configuration.simulatedTriggerDelaySeconds = 0;
    configuration.movementTriggerThresholdG = options.movementThresholdG;
    configuration.alarmVolumeScalar = options.alarmVolumeScalar;
    configuration.pollIntervalMilliseconds = options.pollIntervalMilliseconds;
    configuration.alarmRepeatIntervalSeconds = options.alarmRepeatSeconds;
    configuration.alarmSoundSelection = options.alarmSoundSelection;

    m_controller = std::make_unique<OpenLidAlarmController>(
        configuration, std::make_unique<RootDomainReaderLogind>(),
        std::make_unique<AssumedLockedStateMonitor>(true),
        std::make_unique<AlarmPlaybackController>(
            std::make_unique<SystemAudioOverrideController>(*m_audioHardware), *m_players, *m_sounds,
            m_mainQueue, *m_worker, m_clock),
        std::make_unique<PowerAssertionLease>(std::make_unique<SleepInhibitorLogind>()),
        std::make_unique<SPUMovementMonitor>(*m_hidAccess, m_clock, makeLinuxAccelerometerSources(m_mainQueue)),
        std::make_unique<AudioReadinessProbe>(*m_audioHardware, kRecommendedMinimumVolume), m_clock,
        m_mainQueue);
    m_controller->setDelegate(m_logger);
    m_controller->start();
    m_controller->setProtectionEnabled(true);
    m_logger->write(BackgroundMonitorLogger::activeLine);

    m_terminationSignalSource = std::make_unique<TerminationSignalWatch>([this] {
        m_logger->write(BackgroundMonitorLogger::terminationLine);
        // Stopping destroys the watch: it happens after the watch's own handler has returned.
        m_mainQueue.post([this] { stopAndExit(); });
    });
}

BackgroundMonitorRuntime::~BackgroundMonitorRuntime()
{
    m_terminationSignalSource.reset();
    m_controller.reset();
    m_worker.reset();
}

void BackgroundMonitorRuntime::stopAndExit()
{
    if (m_exitTask) {
        return;
    }
    m_terminationSignalSource.reset();
    m_controller->stop();
    m_exitTask = m_mainQueue.scheduleAfter(kExitDelay, [this] { m_exitProcess(0); });
}

} // namespace hollerbox
