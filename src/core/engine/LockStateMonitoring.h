#pragma once

#include "DiagnosticHandler.h"

namespace hollerbox {

/// A source of the screen-lock state.
class LockStateMonitoring
{
public:
    virtual ~LockStateMonitoring() = default;

    /// Whether the screen is locked, as last learned.
    virtual bool isLocked() const = 0;
    /// Where the source reports diagnostic sentences; it may call the handler from any thread.
    virtual void setDiagnosticHandler(DiagnosticHandler handler) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    /// Re-reads the lock state now, without blocking, updating `isLocked()`.
    virtual void refreshCurrentState() = 0;
};

} // namespace hollerbox
