#pragma once

#include <QString>

namespace hollerbox {

/// Where the application keeps its files, from the user's XDG base directories at the time of the call.
/// Nothing is created.
namespace AppLocations {

/// <state home>/Logs/Hollerbox: the application log and the monitor logs.
QString logRoot();
/// <data home>/Hollerbox/ImportedAlarms: the user's imported alarm sounds.
QString importedAlarmsDirectory();
/// <config home>/autostart/org.hollerbox.Hollerbox.desktop: the launch-at-login entry.
QString autostartEntryPath();

/// The application's desktop id.
inline constexpr const char* desktopId = "org.hollerbox.Hollerbox";

} // namespace AppLocations
} // namespace hollerbox
