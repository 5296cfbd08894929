#include "BackgroundMonitorRuntime.h"

#include "AudioSettingsRestorer.h"
#include "audio/AudioHardware.h"
#include "engine/HollerboxDiagnostics.h"
#include "linux/assembly/ProtectionServicesLinux.h"

#include <cstdio>
#include <string>

namespace hollerbox {

namespace {

constexpr std::chrono::milliseconds kExitDelay{100};
constexpr std::chrono::milliseconds kStandardOutputFlushLimit{100};
constexpr std::chrono::milliseconds kExitPollInterval{50};
// A SIGTERM must end the monitor within 1 s, the flush included: 0.7 s lets the sound server come back
// (a reconnection is tried every 0.25 s) and take the user's settings that it missed.
constexpr std::chrono::milliseconds kRestoreWaitLimit{700};

} // namespace

BackgroundMonitorRuntime::BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                                                   std::function<void(int)> exitProcess)
    : BackgroundMonitorRuntime(
          options, std::move(exitProcess),
          [this](const ProtectionConfiguration& configuration, MainQueue& mainQueue, const Clock& clock) {
              m_services = std::make_unique<ProtectionServicesLinux>(
                  ProtectionServicesLinux::Program::backgroundMonitor, mainQueue, clock);
              return m_services->makeController(configuration);
          })
{}

BackgroundMonitorRuntime::BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                                                   std::function<void(int)> exitProcess,
                                                   ControllerMaker makeController, std::FILE* standardOutput)
    : m_exitProcess(std::move(exitProcess)),
      m_logger(std::make_shared<BackgroundMonitorLogger>(options.logFilePath, standardOutput))
{
    m_logger->write(BackgroundMonitorLogger::startLine);
    m_controller = makeController(configurationFor(options), m_mainQueue, m_clock);
    m_controller->setDelegate(m_logger);
    m_controller->start();
    m_controller->setProtectionEnabled(true);
    m_logger->write(BackgroundMonitorLogger::activeLine);

    m_terminationSignalSource = std::make_unique<TerminationSignalWatch>([this] {
        // Stopping destroys the watch: it happens after the watch's own handler has returned.
        m_mainQueue.post([this] { terminate(); });
    });
}

BackgroundMonitorRuntime::~BackgroundMonitorRuntime() = default;

ProtectionConfiguration BackgroundMonitorRuntime::configurationFor(const BackgroundMonitorOptions& options)
{
    ProtectionConfiguration configuration;
    configuration.armDelaySeconds = options.armDelaySeconds;
    configuration.simulatedTriggerDelaySeconds = 0;
    configuration.movementTriggerThresholdG = options.movementThresholdG;
    configuration.alarmVolumeScalar = options.alarmVolumeScalar;
    configuration.pollIntervalMilliseconds = options.pollIntervalMilliseconds;
    configuration.alarmRepeatIntervalSeconds = options.alarmRepeatSeconds;
    configuration.alarmSoundSelection = options.alarmSoundSelection;
    return configuration;
}

void BackgroundMonitorRuntime::terminate()
{
    if (m_exitTask) {
        return;
    }
    m_logger->write(BackgroundMonitorLogger::terminationLine);
    stopAndExit();
}

bool BackgroundMonitorRuntime::audioWritesPending() const
{
    return m_services && m_services->audioHardware().hasPendingWrites();
}

void BackgroundMonitorRuntime::stopAndExit()
{
    if (m_exitTask) {
        return;
    }
    m_terminationSignalSource.reset();
    // The waits count from here: the restore inside `stop` may already spend a request's deadline.
    const auto stopping = std::chrono::steady_clock::now();
    m_controller->stop();
    m_exitTask = m_mainQueue.scheduleRepeating(kExitPollInterval, [this, stopping] {
        const auto waited = std::chrono::steady_clock::now() - stopping;
        if (m_exited || waited < kExitDelay || (waited < kRestoreWaitLimit && audioWritesPending())) {
            return;
        }
        m_exited = true;
        handOverMissedAudioWrites();
        m_logger->flushStandardOutput(kStandardOutputFlushLimit);
        m_exitProcess(0);
    });
}

void BackgroundMonitorRuntime::handOverMissedAudioWrites()
{
    const auto writes =
        m_services ? m_services->missedAudioWrites() : std::vector<AudioHardwarePulse::MissedWrite>{};
    if (writes.empty()) {
        return;
    }
    const auto processID = AudioSettingsRestorer::handOver(writes);
    const auto message =
        processID ? "The sound server has not taken the audio output's mute and volume for " +
                        std::to_string(writes.size()) + " device(s) yet; process " +
                        std::to_string(*processID) + " applies them when it does."
                  : std::string{"The sound server has not taken the audio output's mute and volume, and no "
                                "process could be started to apply them later."};
    std::fprintf(stderr, "BackgroundMonitor %s\n", message.c_str());
    std::fflush(stderr);
    HollerboxDiagnostics::log(message, m_clock.now());
}

} // namespace hollerbox
