#include "AppLocations.h"

#include "linux/base/XdgDirectories.h"

namespace hollerbox::AppLocations {

QString logRoot()
{
    return QString::fromStdString(XdgDirectories::stateHome()) + QStringLiteral("/Logs/Hollerbox");
}

QString importedAlarmsDirectory()
{
    return QString::fromStdString(XdgDirectories::dataHome()) + QStringLiteral("/Hollerbox/ImportedAlarms");
}

QString autostartEntryPath()
{
    return QString::fromStdString(XdgDirectories::configHome()) + QStringLiteral("/autostart/") +
           QLatin1String(desktopId) + QStringLiteral(".desktop");
}

} // namespace hollerbox::AppLocations
