#include "ProtectionServicesLinux.h"

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
#include "linux/session/LogindNames.h"
#include "linux/session/RootDomainReaderLogind.h"
#include "linux/session/SessionLockSourceLogind.h"
#include "linux/session/SleepInhibitorLogind.h"
#include "motion/SPUMovementMonitor.h"
#include "session/AssumedLockedStateMonitor.h"
#include "session/PowerAssertionLease.h"
#include "session/ScreenLockMonitor.h"

namespace hollerbox {

namespace {

constexpr float kRecommendedMinimumVolume = 0.15F;

} // namespace

struct ProtectionServicesLinux::Parts
{
    std::unique_ptr<ResourceDirectoriesLinux> directories;
    std::unique_ptr<BuiltInSoundLocator> sounds;
    std::unique_ptr<AudioHardwarePulse> audioHardware;
    std::unique_ptr<AudioFilePlayerFactoryGst> players;
    // Destroyed before the players, so that no background work still opens a sound.
    std::unique_ptr<BackgroundWorkerQt> worker;
};

ProtectionServicesLinux::ProtectionServicesLinux(Program program, MainQueue& mainQueue, const Clock& clock)
    : ProtectionServicesLinux(program, mainQueue, clock, Options{})
{}

ProtectionServicesLinux::ProtectionServicesLinux(Program program, MainQueue& mainQueue, const Clock& clock,
                                                 Options options)
    : m_program(program), m_mainQueue(mainQueue), m_clock(clock), m_parts(std::make_unique<Parts>())
{
    m_parts->directories = std::make_unique<ResourceDirectoriesLinux>(
        options.executablePath.empty() ? ResourceDirectoriesLinux::runningExecutablePath()
                                       : options.executablePath);
    if (program == Program::backgroundMonitor) {
        m_parts->sounds = std::make_unique<BuiltInSoundLocator>(
            *m_parts->directories, BuiltInSoundLocator::Scope::coreBundleAndProgram,
            CoreResourceBundle::Lookup::backgroundMonitor);
        // A broken installation stops the program now, before the audio output is ever touched.
        m_parts->sounds->coreBundlePath();
    } else {
        m_parts->sounds = std::make_unique<BuiltInSoundLocator>(
            *m_parts->directories, BuiltInSoundLocator::Scope::programResourcesOnly);
    }
    AudioHardwarePulse::Options hardwareOptions;
    hardwareOptions.server = options.soundServer;
    m_parts->audioHardware = std::make_unique<AudioHardwarePulse>(m_mainQueue, hardwareOptions);
    AudioFilePlayerFactoryGst::Options playerOptions;
    playerOptions.server = options.soundServer;
    m_parts->players = std::make_unique<AudioFilePlayerFactoryGst>(playerOptions);
    m_parts->worker = std::make_unique<BackgroundWorkerQt>(m_mainQueue);
}

ProtectionServicesLinux::~ProtectionServicesLinux() = default;

std::unique_ptr<OpenLidAlarmController>
ProtectionServicesLinux::makeController(const ProtectionConfiguration& configuration)
{
    std::unique_ptr<LockStateMonitoring> lockMonitor;
    if (m_program == Program::application) {
        lockMonitor = std::make_unique<ScreenLockMonitor>(std::make_shared<SessionLockSourceLogind>());
    } else {
        lockMonitor = std::make_unique<AssumedLockedStateMonitor>(true);
    }
    return std::make_unique<OpenLidAlarmController>(
        configuration, std::make_unique<RootDomainReaderLogind>(), std::move(lockMonitor),
        std::make_unique<AlarmPlaybackController>(
            std::make_unique<SystemAudioOverrideController>(*m_parts->audioHardware), *m_parts->players,
            *m_parts->sounds, m_mainQueue, *m_parts->worker, m_clock),
        std::make_unique<PowerAssertionLease>(std::make_unique<SleepInhibitorLogind>()),
        std::make_unique<SPUMovementMonitor>(std::make_unique<HidAccessHidraw>(), m_clock,
                                             makeLinuxAccelerometerSources(m_mainQueue)),
        std::make_unique<AudioReadinessProbe>(*m_parts->audioHardware, kRecommendedMinimumVolume), m_clock,
        m_mainQueue,
        std::make_unique<PowerAssertionLease>(
            std::make_unique<SleepInhibitorLogind>(logind::lidAndPowerKeyLocks)));
}

AudioHardware& ProtectionServicesLinux::audioHardware()
{
    return *m_parts->audioHardware;
}

std::vector<AudioHardwarePulse::MissedWrite> ProtectionServicesLinux::missedAudioWrites()
{
    return m_parts->audioHardware->missedWrites();
}

AudioFilePlayerFactory& ProtectionServicesLinux::players()
{
    return *m_parts->players;
}

const BuiltInSoundLocator& ProtectionServicesLinux::sounds() const
{
    return *m_parts->sounds;
}

BackgroundWorker& ProtectionServicesLinux::worker()
{
    return *m_parts->worker;
}

} // namespace hollerbox
