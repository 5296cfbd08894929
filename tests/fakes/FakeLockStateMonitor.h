#pragma once

#include "CallLog.h"
#include "engine/LockStateMonitoring.h"

#include <functional>

namespace hollerbox::testing {

/// A lock source whose state the test sets; `refreshCurrentState` applies the pending state.
class FakeLockStateMonitor final : public LockStateMonitoring
{
public:
    explicit FakeLockStateMonitor(std::shared_ptr<CallLog> log) : m_log(std::move(log)) {}

    bool isLocked() const override { return m_locked; }
    void setDiagnosticHandler(DiagnosticHandler handler) override { m_handler = std::move(handler); }
    void start() override { m_log->add("lock.start"); }
    void stop() override { m_log->add("lock.stop"); }
    void refreshCurrentState() override
    {
        ++refreshCount;
        m_locked = lockedAfterRefresh;
        if (onRefresh) {
            onRefresh();
        }
    }

    void report(const std::string& message) const
    {
        if (m_handler) {
            m_handler(message);
        }
    }
    bool hasDiagnosticHandler() const { return static_cast<bool>(m_handler); }

    bool lockedAfterRefresh = false;
    std::function<void()> onRefresh;
    int refreshCount = 0;

private:
    std::shared_ptr<CallLog> m_log;
    DiagnosticHandler m_handler;
    bool m_locked = false;
};

} // namespace hollerbox::testing
