#include "PowerAssertionLease.h"

namespace hollerbox {

PowerAssertionLease::PowerAssertionLease(std::unique_ptr<SleepInhibitor> inhibitor)
    : m_inhibitor(std::move(inhibitor))
{}

std::int32_t PowerAssertionLease::acquire(const std::string& name)
{
    if (isActive()) {
        return 0;
    }
    auto result = m_inhibitor->inhibit(name);
    if (result.status != 0) {
        return result.status;
    }
    if (!result.inhibition) {
        return missingInhibitionStatus;
    }
    m_inhibition = std::move(result.inhibition);
    return 0;
}

} // namespace hollerbox
