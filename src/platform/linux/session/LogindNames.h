#pragma once

#include <QString>

namespace hollerbox::logind {

inline const QString service = QStringLiteral("org.freedesktop.login1");
inline const QString managerPath = QStringLiteral("/org/freedesktop/login1");
inline const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
inline const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

/// The inhibitor kinds of the idle-sleep lease.
inline const QString idleSleepLocks = QStringLiteral("idle:sleep");
/// The inhibitor kinds held while the alarm sounds: logind then ignores the lid switch and the power,
/// suspend and hibernate keys.
inline const QString lidAndPowerKeyLocks =
    QStringLiteral("handle-lid-switch:handle-power-key:handle-suspend-key:handle-hibernate-key");

} // namespace hollerbox::logind
