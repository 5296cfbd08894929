#pragma once

#include "CallLog.h"
#include "engine/PowerAssertionLeasing.h"

namespace hollerbox::testing {

/// A lease that logs its calls under `prefix`, counts what it was asked and answers `acquireStatus`.
class FakePowerAssertionLease final : public PowerAssertionLeasing
{
public:
    explicit FakePowerAssertionLease(std::shared_ptr<CallLog> log, std::string prefix = "lease")
        : m_log(std::move(log)), m_prefix(std::move(prefix))
    {}

    bool isActive() const override { return m_active; }
    std::int32_t acquire(const std::string& name) override
    {
        m_log->add(m_prefix + ".acquire(" + name + ")");
        if (m_active) {
            return 0;
        }
        if (acquireStatus == 0) {
            m_active = true;
            ++grantedCount;
        }
        return acquireStatus;
    }
    void release() override
    {
        m_log->add(m_prefix + ".release");
        m_active = false;
    }

    std::int32_t acquireStatus = 0;
    int grantedCount = 0;

private:
    std::shared_ptr<CallLog> m_log;
    std::string m_prefix;
    bool m_active = false;
};

} // namespace hollerbox::testing
