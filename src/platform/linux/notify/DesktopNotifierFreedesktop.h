#pragma once

#include "linux/session/BusConnection.h"
#include "report/DesktopNotifier.h"

#include <QObject>
#include <QVariantList>
#include <chrono>

namespace hollerbox {

/// Shows notifications through `org.freedesktop.Notifications` on the session bus with an asynchronous
/// `Notify` call, bounded by a timeout: no bus, no service or a hung service cost only a failure passed to
/// the completion. Main thread only.
class DesktopNotifierFreedesktop final : public DesktopNotifier
{
public:
    static constexpr const char* applicationName = "Hollerbox";
    static constexpr const char* desktopEntry = "org.hollerbox.Hollerbox";
    /// Critical: the report stays until the owner has seen it.
    static constexpr unsigned char urgency = 2;
    /// The notification never expires by itself.
    static constexpr int expireTimeout = 0;

    explicit DesktopNotifierFreedesktop(std::chrono::milliseconds callTimeout = std::chrono::seconds{5});
    ~DesktopNotifierFreedesktop() override;

    DesktopNotifierFreedesktop(const DesktopNotifierFreedesktop&) = delete;
    DesktopNotifierFreedesktop& operator=(const DesktopNotifierFreedesktop&) = delete;

    void notify(const DesktopNotification& notification, Completion done) override;

    /// The arguments of `Notify` (app name, replaced ID, icon, summary, body, actions, hints, timeout).
    static QVariantList notifyArguments(const DesktopNotification& notification);

private:
    std::chrono::milliseconds m_callTimeout;
    BusConnection m_bus;
    /// Parent of the pending calls' watchers, so that none reports after the notifier is gone.
    QObject m_pendingCalls;
};

} // namespace hollerbox
