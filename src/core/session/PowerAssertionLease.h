#pragma once

#include "SleepInhibitor.h"
#include "engine/PowerAssertionLeasing.h"

#include <memory>

namespace hollerbox {

/// Holds at most one sleep inhibition: repeated acquisitions do not stack, one release always suffices,
/// and destruction gives back whatever is held.
class PowerAssertionLease final : public PowerAssertionLeasing
{
public:
    /// Status returned when the platform claimed success but handed over nothing to hold.
    static constexpr std::int32_t missingInhibitionStatus = -1;

    explicit PowerAssertionLease(std::unique_ptr<SleepInhibitor> inhibitor);

    PowerAssertionLease(const PowerAssertionLease&) = delete;
    PowerAssertionLease& operator=(const PowerAssertionLease&) = delete;

    bool isActive() const override { return m_inhibition != nullptr; }
    std::int32_t acquire(const std::string& name) override;
    void release() override { m_inhibition.reset(); }

private:
    std::unique_ptr<SleepInhibitor> m_inhibitor;
    std::unique_ptr<SleepInhibitor::Inhibition> m_inhibition;
};

} // namespace hollerbox
