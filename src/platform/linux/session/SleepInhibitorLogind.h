#pragma once

#include "BusConnection.h"
#include "session/SleepInhibitor.h"

#include <chrono>

namespace hollerbox {

/// Block inhibitions from logind: `Inhibit(what, "Hollerbox", name, "block")` on the system bus, where `what`
/// is "idle:sleep" unless given. An inhibition owns the descriptor logind hands out and closes it exactly
/// once, which ends it. When logind comes back after a restart, a held inhibition is taken again from it
/// (through the event loop of the thread that took it).
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
    /// Inhibits `what`, one or more of logind's inhibitor kinds joined by colons, as one inhibition.
    explicit SleepInhibitorLogind(QString what,
                                  std::chrono::milliseconds callTimeout = std::chrono::milliseconds{500});

    Result inhibit(const std::string& name) override;

private:
    QString m_what;
    std::chrono::milliseconds m_callTimeout;
    BusConnection m_bus{QDBusConnection::SystemBus, QStringLiteral("sleep-inhibitor")};
};

} // namespace hollerbox
