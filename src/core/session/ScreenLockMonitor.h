#pragma once

#include "SessionLockSource.h"
#include "engine/LockStateMonitoring.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The real screen-lock state: follows the lock and unlock events of its source and re-reads the session's
/// lock flag at every refresh. A session without a lock flag never unlocks it; only an unlock event or an
/// explicit false flag does.
class ScreenLockMonitor final : public LockStateMonitoring
{
public:
    explicit ScreenLockMonitor(std::shared_ptr<SessionLockSource> center);
    ~ScreenLockMonitor() override;

    ScreenLockMonitor(const ScreenLockMonitor&) = delete;
    ScreenLockMonitor& operator=(const ScreenLockMonitor&) = delete;

    bool isLocked() const override { return m_isLocked; }
    void setDiagnosticHandler(DiagnosticHandler handler) override
    {
        m_diagnosticHandler = std::move(handler);
    }
    void start() override;
    void stop() override;
    void refreshCurrentState() override;

    const std::string& lockName() const { return m_lockName; }
    const std::string& unlockName() const { return m_unlockName; }

private:
    void handleLock();
    void handleUnlock();
    void report(std::string_view message) const;

    std::shared_ptr<SessionLockSource> m_center;
    std::string m_lockName{SessionLockSource::lockEventName};
    std::string m_unlockName{SessionLockSource::unlockEventName};
    bool m_isLocked = false;
    DiagnosticHandler m_diagnosticHandler;
    std::vector<SessionLockSource::ObserverToken> m_observations;
};

} // namespace hollerbox
