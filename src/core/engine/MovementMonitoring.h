#pragma once

#include "DiagnosticHandler.h"
#include "MovementDetectionEvent.h"
#include "MovementMonitorArmResult.h"
#include "MovementMonitorLiveValue.h"

#include <optional>
#include <vector>

namespace hollerbox {

/// A motion source that can be prepared, armed against a baseline and polled for movement.
class MovementMonitoring
{
public:
    virtual ~MovementMonitoring() = default;

    /// Where the monitor reports diagnostic sentences; it may call the handler from any thread.
    virtual void setDiagnosticHandler(DiagnosticHandler handler) = 0;
    /// Acquires the sensor; true when ready to arm, at once when already prepared.
    virtual bool prepare() = 0;
    /// Starts watching with `thresholdG` and a fresh baseline.
    virtual MovementMonitorArmResult arm(double thresholdG) = 0;
    /// An event when this poll confirms a movement, otherwise none.
    virtual std::optional<MovementDetectionEvent> detectMovement() = 0;
    /// Current readings for display; empty when nothing has been measured.
    virtual std::vector<MovementMonitorLiveValue> liveValues() = 0;
    /// Stops judging movement, keeping the sensor prepared.
    virtual void disarm() = 0;
    /// Gives the sensor back entirely; safe when nothing is prepared.
    virtual void releaseResources() = 0;
};

} // namespace hollerbox
