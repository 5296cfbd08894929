#pragma once

#include "BackgroundMonitorLogger.h"
#include "BackgroundMonitorOptions.h"
#include "engine/OpenLidAlarmController.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/base/TerminationSignalWatch.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace hollerbox {

class ProtectionServicesLinux;

/// Everything the background monitor runs: one protection controller of the monitor's assembly (always
/// locked, real lid reader, sleep lease, accelerometer, alarm player and readiness probe), logged by the
/// logger, until SIGTERM. Built and used on the main thread, after the Qt application exists.
class BackgroundMonitorRuntime
{
public:
    /// Builds a controller for the configuration on the runtime's main queue and clock.
    using ControllerMaker = std::function<std::unique_ptr<OpenLidAlarmController>(
        const ProtectionConfiguration& configuration, MainQueue& mainQueue, const Clock& clock)>;

    /// Builds and starts everything on the real services; `exitProcess` ends the process with a status.
    BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                             std::function<void(int status)> exitProcess);
    /// The same with the controller from `makeController` and standard output on `standardOutput`.
    BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                             std::function<void(int status)> exitProcess, ControllerMaker makeController,
                             std::FILE* standardOutput = stdout);
    ~BackgroundMonitorRuntime();

    BackgroundMonitorRuntime(const BackgroundMonitorRuntime&) = delete;
    BackgroundMonitorRuntime& operator=(const BackgroundMonitorRuntime&) = delete;

    /// Stops the watch and the controller (restoring the audio output), then exits with 0 after 0.1 s, or up
    /// to 0.7 s while audio settings wait for the sound server (then leaving them to a process of their own),
    /// and at most another 0.1 s for standard output to take the last lines.
    void stopAndExit();

    /// The controller's settings for the options.
    static ProtectionConfiguration configurationFor(const BackgroundMonitorOptions& options);

private:
    /// Writes the termination line and stops, in one main-queue job, so that no tick can log after it.
    void terminate();
    /// Whether audio settings the sound server missed are still to be applied.
    bool audioWritesPending() const;
    /// Leaves the audio writes the sound server still has not taken to a process that outlives this one.
    void handOverMissedAudioWrites();

    std::function<void(int)> m_exitProcess;
    ClockSystem m_clock;
    MainQueueQt m_mainQueue;
    std::shared_ptr<BackgroundMonitorLogger> m_logger;
    std::unique_ptr<ProtectionServicesLinux> m_services;
    std::unique_ptr<OpenLidAlarmController> m_controller;
    std::unique_ptr<TerminationSignalWatch> m_terminationSignalSource;
    std::unique_ptr<ScheduledTask> m_exitTask;
    bool m_exited = false;
};

} // namespace hollerbox
