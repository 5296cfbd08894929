#pragma once

#include "DBusMockProcess.h"

#include <QVariantList>
#include <vector>

namespace hollerbox::testing {

/// A desktop notification service (`org.freedesktop.Notifications`, python-dbusmock's notification_daemon
/// template) on a private session bus, which records the notifications it was asked to show.
class NotificationDaemonMock
{
public:
    explicit NotificationDaemonMock(const QString& sessionBusAddress);

    bool start() { return m_mock.start(); }
    DBusMockProcess& process() { return m_mock; }

    /// The arguments of each `Notify` received so far, in order, variants unwrapped; the hints stay a
    /// QDBusArgument (read them with `qdbus_cast<QVariantMap>`).
    std::vector<QVariantList> notifyCalls();

private:
    DBusMockProcess m_mock;
};

} // namespace hollerbox::testing
