#pragma once

#include "engine/LockStateMonitoring.h"

#include <string_view>

namespace hollerbox {

/// A lock source for a process that only runs while the screen is locked: from its first refresh on it
/// reports locked for good.
class AssumedLockedStateMonitor final : public LockStateMonitoring
{
public:
    explicit AssumedLockedStateMonitor(bool initiallyLocked) : m_isLocked(initiallyLocked) {}

    bool isLocked() const override { return m_isLocked; }
    void setDiagnosticHandler(DiagnosticHandler handler) override
    {
        m_diagnosticHandler = std::move(handler);
    }
    void start() override;
    void stop() override {}
    void refreshCurrentState() override;

private:
    void report(std::string_view message) const;

    bool m_isLocked = true;
    DiagnosticHandler m_diagnosticHandler;
};

} // namespace hollerbox
