#pragma once

#include "LaunchAtLoginState.h"

#include <QString>

namespace hollerbox {

/// Launch at login through an XDG autostart entry: a copy of the application's desktop entry that runs the
/// running executable. Available when the running program's tree has its desktop entry. Keeps no state
/// beyond its three paths. Main thread only.
class LaunchAtLoginManager
{
public:
    /// The manager of the running program (/proc/self/exe) and the user's autostart directory.
    LaunchAtLoginManager();
    LaunchAtLoginManager(QString executablePath, QString applicationEntryPath, QString autostartEntryPath);

    /// `<executable's directory>/../share/applications/org.hollerbox.Hollerbox.desktop`; empty for an empty
    /// path.
    static QString applicationEntryPathFor(const QString& executablePath);

    /// Enabled when the autostart entry exists and neither `Hidden=true` nor
    /// `X-GNOME-Autostart-enabled=false` switches it off; unavailable without the application's desktop
    /// entry.
    LaunchAtLoginState currentState() const;

    /// Writes (atomically) or removes the autostart entry and returns the new state. When unavailable, the
    /// state is returned unchanged; when the change fails, the enabled value read before with the support
    /// unavailable and the reason. Switching off removes whatever entry is at the autostart path.
    LaunchAtLoginState setEnabled(bool enabled) const;

private:
    /// An empty text on success, else the reason of the failure.
    QString writeAutostartEntry() const;
    QString removeAutostartEntry() const;

    QString m_executablePath;
    QString m_applicationEntryPath;
    QString m_autostartEntryPath;
};

} // namespace hollerbox
