#include "NotificationDaemonMock.h"

#include <QDBusArgument>
#include <QDBusVariant>

namespace hollerbox::testing {

NotificationDaemonMock::NotificationDaemonMock(const QString& sessionBusAddress)
    : m_mock("notification daemon mock", sessionBusAddress, false,
             QStringLiteral("org.freedesktop.Notifications"),
             {QStringLiteral("--session"), QStringLiteral("-t"), QStringLiteral("notification_daemon")})
{}

std::vector<QVariantList> NotificationDaemonMock::notifyCalls()
{
    std::vector<QVariantList> calls;
    const auto reply =
        m_mock.call(QStringLiteral("/org/freedesktop/Notifications"),
                    QString::fromLatin1(DBusMockProcess::mockInterface), QStringLiteral("GetCalls"));
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        quint64 time = 0;
        QString method;
        QVariantList arguments;
        list.beginStructure();
        list >> time >> method >> arguments;
        list.endStructure();
        if (method != QStringLiteral("Notify")) {
            continue;
        }
        for (auto& argument : arguments) {
            if (argument.userType() == qMetaTypeId<QDBusVariant>()) {
                argument = argument.value<QDBusVariant>().variant();
            }
        }
        calls.push_back(arguments);
    }
    list.endArray();
    return calls;
}

} // namespace hollerbox::testing
