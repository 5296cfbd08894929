#pragma once

#include "BusConnection.h"
#include "engine/RootDomainReading.h"

#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace hollerbox {

/// Lid and sleep support from logind's Manager on the system bus: `LidClosed` and `CanSuspend()`. Without a
/// reachable logind the lid comes from the ACPI button under the proc root.
///
/// The lid is read asynchronously and never blocks: `currentClamshellState()` answers with the last answer
/// and starts a fresh read unless one is in flight, so the value is at most about one call old. A read is
/// issued at construction; until the first answer the lid is unknown. A read that logind leaves unanswered
/// for `lidReadTimeout`, or that finds no logind, makes the ACPI button answer until logind answers again.
/// `CanSuspend()` and the reachability check are blocking calls of at most `callTimeout`; a logind that
/// failed to answer in time is left out of them for `quietPeriod`. Lives on a thread with an event loop.
class RootDomainReaderLogind final : public RootDomainReading
{
public:
    struct Options
    {
        QString procRoot = QStringLiteral("/proc");
        std::chrono::milliseconds callTimeout{100};
        std::chrono::milliseconds lidReadTimeout{2000};
        std::chrono::milliseconds quietPeriod{5000};
        std::chrono::milliseconds reconnectInterval{2000};
    };

    RootDomainReaderLogind();
    explicit RootDomainReaderLogind(Options options);
    ~RootDomainReaderLogind() override;

    RootDomainReaderLogind(const RootDomainReaderLogind&) = delete;
    RootDomainReaderLogind& operator=(const RootDomainReaderLogind&) = delete;

    std::optional<bool> currentClamshellState() override;
    std::optional<bool> currentSleepSupported() override;
    bool canOpenRootDomain() override;

private:
    struct Answer
    {
        bool reachable = false;
        QVariant value;
    };

    enum class LidSource
    {
        unknown,
        logind,
        acpi,
    };

    Answer callManager(const QDBusMessage& message);
    void startLidRead();
    void finishLidRead(const QDBusMessage& reply);
    std::optional<bool> readProcLidState() const;

    Options m_options;
    BusConnection m_bus;
    std::optional<std::chrono::steady_clock::time_point> m_quietUntil;
    std::unique_ptr<QDBusPendingCallWatcher> m_lidRead;
    LidSource m_lidSource = LidSource::unknown;
    std::optional<bool> m_logindLid;
};

} // namespace hollerbox
