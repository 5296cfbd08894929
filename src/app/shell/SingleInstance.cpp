#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace hollerbox {

namespace {

constexpr int callTimeoutMilliseconds = 5000;

} // namespace

SingleInstance::Role SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return Role::alone;
    }
    bus.registerObject(QString::fromLatin1(objectPath), &m_endpoint,
                       QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableProperties);
    const auto reply = bus.interface()->registerService(QString::fromLatin1(serviceName),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        return Role::primary;
    }
    bus.unregisterObject(QString::fromLatin1(objectPath));
    return reply.isValid() ? Role::secondary : Role::alone;
}

bool SingleInstance::askPrimaryToShowPanel()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
                                       QString::fromLatin1(serviceName), QStringLiteral("ShowPanel"));
    return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMilliseconds).type() ==
           QDBusMessage::ReplyMessage;
}

} // namespace hollerbox
