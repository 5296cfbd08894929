#include "TrayAvailability.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSystemTrayIcon>

namespace hollerbox {

namespace {

constexpr int pollIntervalMilliseconds = 2000;
constexpr int callTimeoutMilliseconds = 1000;

} // namespace

TrayAvailability::TrayAvailability(QObject* parent)
    : QObject(parent), m_watcher(QString::fromLatin1(watcherService), QDBusConnection::sessionBus(),
                                 QDBusServiceWatcher::WatchForOwnerChange)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayAvailability::recheck);
    m_poll.setInterval(pollIntervalMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &TrayAvailability::recheck);
    recheck();
}

bool TrayAvailability::statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.interface()->isServiceRegistered(QString::fromLatin1(watcherService)).value()) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(watcherService) << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, callTimeoutMilliseconds);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

void TrayAvailability::recheck()
{
    const bool available = statusNotifierHostRegistered() && QSystemTrayIcon::isSystemTrayAvailable();
    if (available) {
        m_poll.stop();
    } else if (!m_poll.isActive()) {
        m_poll.start();
    }
    if (available != m_available) {
        m_available = available;
        Q_EMIT availableChanged(available);
    }
}

} // namespace hollerbox
