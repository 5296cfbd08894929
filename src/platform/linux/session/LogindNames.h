#pragma once

#include <QString>

namespace hollerbox::logind {

inline const QString service = QStringLiteral("org.freedesktop.login1");
inline const QString managerPath = QStringLiteral("/org/freedesktop/login1");
inline const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
inline const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace hollerbox::logind
