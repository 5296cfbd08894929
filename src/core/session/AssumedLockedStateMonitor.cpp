#include "AssumedLockedStateMonitor.h"

#include <string>

namespace hollerbox {

void AssumedLockedStateMonitor::start()
{
    report("AssumedLockedStateMonitor starting with isLocked=" + std::string{m_isLocked ? "true" : "false"} +
           ".");
}

void AssumedLockedStateMonitor::refreshCurrentState()
{
    if (!m_isLocked) {
        report("AssumedLockedStateMonitor forcing isLocked back to true.");
    }
    m_isLocked = true;
}

void AssumedLockedStateMonitor::report(std::string_view message) const
{
    if (m_diagnosticHandler) {
        m_diagnosticHandler(std::string{message});
    }
}

} // namespace hollerbox
