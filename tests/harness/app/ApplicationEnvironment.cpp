#include "ApplicationEnvironment.h"

#include <QDir>

namespace hollerbox::testing {

QProcessEnvironment applicationEnvironment(const EmulatedLaptop& laptop, const QString& directory,
                                           const QString& sessionBusAddress, const QString& display)
{
    const QDir root{directory};
    auto environment = laptop.monitorEnvironment(root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBusAddress);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), directory);
    environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    for (const char* name : {"XDG_SESSION_ID", "XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (display.isEmpty()) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("DISPLAY"));
    } else {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), display);
    }
    return environment;
}

} // namespace hollerbox::testing
