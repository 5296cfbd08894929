#include "DesktopNotifierFreedesktop.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>

namespace hollerbox {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

DesktopNotifierFreedesktop::DesktopNotifierFreedesktop(std::chrono::milliseconds callTimeout)
    : m_callTimeout(callTimeout), m_bus(QDBusConnection::SessionBus, QStringLiteral("notifications"))
{}

DesktopNotifierFreedesktop::~DesktopNotifierFreedesktop() = default;

QVariantList DesktopNotifierFreedesktop::notifyArguments(const DesktopNotification& notification)
{
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromLatin1(desktopEntry)},
        {QStringLiteral("urgency"), QVariant::fromValue(urgency)},
    };
    return {QString::fromLatin1(applicationName),
            0U,
            QString::fromLatin1(desktopEntry),
            QString::fromStdString(notification.title),
            QString::fromStdString(notification.body),
            QStringList{},
            hints,
            expireTimeout};
}

void DesktopNotifierFreedesktop::notify(const DesktopNotification& notification, Completion done)
{
    const auto bus = m_bus.connection();
    if (!bus) {
        // The completion always comes later, never inside this call.
        QMetaObject::invokeMethod(
            &m_pendingCalls, [done = std::move(done)] { done("No session bus."); }, Qt::QueuedConnection);
        return;
    }
    auto message = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    message.setArguments(notifyArguments(notification));
    auto* watcher = new QDBusPendingCallWatcher(
        bus->asyncCall(message, static_cast<int>(m_callTimeout.count())), &m_pendingCalls);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, watcher,
        [done = std::move(done)](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusPendingReply<unsigned> reply = *finished;
            if (!reply.isError()) {
                done(std::nullopt);
                return;
            }
            done((reply.error().name() + QStringLiteral(": ") + reply.error().message()).toStdString());
        });
}

} // namespace hollerbox
