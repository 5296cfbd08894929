#pragma once

#include "BusConnection.h"
#include "engine/RootDomainReading.h"

#include <QString>
#include <chrono>
#include <optional>

class QDBusMessage;

namespace hollerbox {

/// Lid and sleep support from logind's Manager on the system bus: `LidClosed` read when asked, and
/// `CanSuspend()`. Without a reachable logind the lid comes from the ACPI button under the proc root.
/// Every call waits at most `callTimeout`; a logind that failed to answer in time is left alone for
/// `quietPeriod`, so a hung logind costs one bounded wait, not one per tick.
class RootDomainReaderLogind final : public RootDomainReading
{
public:
    struct Options
    {
        QString procRoot = QStringLiteral("/proc");
        std::chrono::milliseconds callTimeout{100};
        std::chrono::milliseconds quietPeriod{5000};
        std::chrono::milliseconds reconnectInterval{2000};
    };

    RootDomainReaderLogind();
    explicit RootDomainReaderLogind(Options options);

    std::optional<bool> currentClamshellState() override;
    std::optional<bool> currentSleepSupported() override;
    bool canOpenRootDomain() override;

private:
    struct Answer
    {
        bool reachable = false;
        QVariant value;
    };

    Answer callManager(const QDBusMessage& message);
    std::optional<bool> readProcLidState() const;

    Options m_options;
    BusConnection m_bus;
    std::optional<std::chrono::steady_clock::time_point> m_quietUntil;
};

} // namespace hollerbox
