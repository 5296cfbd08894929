#pragma once

#include "audio/AlarmSoundSelection.h"

#include <QString>
#include <functional>
#include <string>

namespace hollerbox {

/// Starts and stops the background monitor on the model's behalf. Main thread only.
class BackgroundMonitorLaunching
{
public:
    using DiagnosticHandler = std::function<void(const std::string& message)>;

    virtual ~BackgroundMonitorLaunching() = default;

    /// True when a monitor is running after the call: one was already running, or one was launched now.
    virtual bool start(double armDelaySeconds, double movementThresholdG, double alarmVolumeScalar,
                       double alarmRepeatSeconds, const AlarmSoundSelection& alarmSoundSelection) = 0;
    /// Asks a running monitor to terminate and forgets it; nothing when none runs.
    virtual void stop(const std::string& reason) = 0;
    /// Takes over a monitor that an earlier run of the application left running; true when one now runs.
    virtual bool adoptRunningMonitor() = 0;
    /// Receives each of the launcher's messages.
    virtual void setDiagnosticHandler(DiagnosticHandler handler) = 0;
    /// The file that names the log of the newest monitor launched, without a line feed.
    virtual QString latestLogPointerPath() const = 0;
};

} // namespace hollerbox
