#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <optional>

namespace hollerbox::testing {

/// What a running `hollerbox` offers on its session bus, as a second launch or a test reaches it.
namespace ApplicationBus {

inline const QString service = QStringLiteral("org.hollerbox.Hollerbox");
inline const QString path = QStringLiteral("/org/hollerbox/Hollerbox");

/// Whether the application's panel shows; none while no application answers.
inline std::optional<bool> panelVisible(QDBusConnection& bus)
{
    auto get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << service << QStringLiteral("PanelVisible");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

/// Asks the application to show its panel, as a second launch does; false when it did not answer.
inline bool showPanel(QDBusConnection& bus)
{
    return bus.call(QDBusMessage::createMethodCall(service, path, service, QStringLiteral("ShowPanel")))
               .type() == QDBusMessage::ReplyMessage;
}

} // namespace ApplicationBus
} // namespace hollerbox::testing
