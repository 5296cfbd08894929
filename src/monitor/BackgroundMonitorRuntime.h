#pragma once

#include "BackgroundMonitorLogger.h"
#include "BackgroundMonitorOptions.h"
#include "engine/OpenLidAlarmController.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/base/TerminationSignalWatch.h"

#include <functional>
#include <memory>

namespace hollerbox {

class AudioFilePlayerFactoryGst;
class AudioHardwarePulse;
class BackgroundWorkerQt;
class BuiltInSoundLocator;
class HidAccessHidraw;
class ResourceDirectoriesLinux;

/// Everything the background monitor runs: one protection controller on the always-locked source with the
/// real lid reader, sleep lease, accelerometer, alarm player and readiness probe, logged by the logger.
/// Built and used on the main thread, after the Qt application exists.
class BackgroundMonitorRuntime
{
public:
    /// Builds and starts everything; `exitProcess` ends the process with a status.
    BackgroundMonitorRuntime(const BackgroundMonitorOptions& options,
                             std::function<void(int status)> exitProcess);
    ~BackgroundMonitorRuntime();

    BackgroundMonitorRuntime(const BackgroundMonitorRuntime&) = delete;
    BackgroundMonitorRuntime& operator=(const BackgroundMonitorRuntime&) = delete;

    /// Stops the watch and the controller (restoring the audio output), then exits with 0 after 0.1 s.
    void stopAndExit();

private:
    std::function<void(int)> m_exitProcess;
    ClockSystem m_clock;
    MainQueueQt m_mainQueue;
    std::shared_ptr<BackgroundMonitorLogger> m_logger;
    std::unique_ptr<ResourceDirectoriesLinux> m_resourceDirectories;
    std::unique_ptr<BuiltInSoundLocator> m_sounds;
    std::unique_ptr<AudioHardwarePulse> m_audioHardware;
    std::unique_ptr<AudioFilePlayerFactoryGst> m_players;
    // Destroyed before the players, so that no background work still opens a sound.
    std::unique_ptr<BackgroundWorkerQt> m_worker;
    std::unique_ptr<HidAccessHidraw> m_hidAccess;
    std::unique_ptr<OpenLidAlarmController> m_controller;
    std::unique_ptr<TerminationSignalWatch> m_terminationSignalSource;
    std::unique_ptr<ScheduledTask> m_exitTask;
};

} // namespace hollerbox
