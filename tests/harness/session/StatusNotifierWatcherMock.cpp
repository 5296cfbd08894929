#include "StatusNotifierWatcherMock.h"

#include <QDBusVariant>

namespace hollerbox::testing {

namespace {

// Records the service name the item gives.
constexpr const char* kRegisterItem =
    "name = args[0]\n"
    "items = list(self.Get('org.kde.StatusNotifierWatcher', 'RegisteredStatusNotifierItems'))\n"
    "self.Set('org.kde.StatusNotifierWatcher', 'RegisteredStatusNotifierItems',\n"
    "         dbus.Array(items + [name], signature='s'))\n"
    "self.EmitSignal('org.kde.StatusNotifierWatcher', 'StatusNotifierItemRegistered', 's', [name])\n";

} // namespace

StatusNotifierWatcherMock::StatusNotifierWatcherMock(const QString& sessionBusAddress)
    : m_mock("StatusNotifierWatcher mock", sessionBusAddress, false, QString::fromLatin1(service),
             {QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(service)})
{}

bool StatusNotifierWatcherMock::start()
{
    if (!m_mock.start()) {
        return false;
    }
    const QString objectPath = QString::fromLatin1(path);
    const QString mock = QString::fromLatin1(DBusMockProcess::mockInterface);
    const QString interface = QString::fromLatin1(service);
    const QVariantMap properties{
        {QStringLiteral("IsStatusNotifierHostRegistered"), true},
        {QStringLiteral("ProtocolVersion"), 0},
        {QStringLiteral("RegisteredStatusNotifierItems"), QStringList{}},
    };
    const bool added =
        m_mock.call(objectPath, mock, QStringLiteral("AddProperties"), {interface, properties}).type() !=
            QDBusMessage::ErrorMessage &&
        m_mock.call(objectPath, mock, QStringLiteral("AddMethod"),
                    {interface, QStringLiteral("RegisterStatusNotifierHost"), QStringLiteral("s"), QString{},
                     QString{}})
                .type() != QDBusMessage::ErrorMessage &&
        m_mock.call(objectPath, mock, QStringLiteral("AddMethod"),
                    {interface, QStringLiteral("RegisterStatusNotifierItem"), QStringLiteral("s"), QString{},
                     QString::fromLatin1(kRegisterItem)})
                .type() != QDBusMessage::ErrorMessage;
    return added;
}

QStringList StatusNotifierWatcherMock::registeredItems()
{
    const QDBusMessage reply = m_mock.tryCall(
        QString::fromLatin1(path), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QString::fromLatin1(service), QStringLiteral("RegisteredStatusNotifierItems")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toStringList();
}

} // namespace hollerbox::testing
