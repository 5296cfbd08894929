#pragma once

#include "BusConnection.h"
#include "session/SleepInhibitor.h"

#include <chrono>

namespace hollerbox {

/// Idle-sleep inhibitions from logind: `Inhibit("idle:sleep", "Hollerbox", name, "block")` on the system bus.
/// An inhibition owns the descriptor logind hands out and closes it exactly once, which ends it.
class SleepInhibitorLogind final : public SleepInhibitor
{
public:
    /// Non-zero statuses of a failed inhibition.
    enum Status : std::int32_t
    {
        busUnavailable = 1,
        logindUnavailable = 2,
        refused = 3,
        invalidAnswer = 4,
    };

    explicit SleepInhibitorLogind(std::chrono::milliseconds callTimeout = std::chrono::milliseconds{500});

    Result inhibit(const std::string& name) override;

private:
    std::chrono::milliseconds m_callTimeout;
    BusConnection m_bus{QDBusConnection::SystemBus, QStringLiteral("sleep-inhibitor")};
};

} // namespace hollerbox
