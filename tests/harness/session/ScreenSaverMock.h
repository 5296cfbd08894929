#pragma once

#include "DBusMockProcess.h"

namespace hollerbox::testing {

/// A screen saver service on a private session bus that announces `ActiveChanged(bool)` when told, as
/// KDE (`org.freedesktop.ScreenSaver`) and GNOME (`org.gnome.ScreenSaver`) do.
class ScreenSaverMock
{
public:
    /// `org.freedesktop.ScreenSaver` at /org/freedesktop/ScreenSaver, KDE's interface.
    static ScreenSaverMock freedesktop(const QString& sessionBusAddress);
    /// `org.gnome.ScreenSaver` at /org/gnome/ScreenSaver, GNOME Shell's interface.
    static ScreenSaverMock gnome(const QString& sessionBusAddress);

    /// Any service, object path and interface, e.g. KDE's second object at /ScreenSaver.
    ScreenSaverMock(const QString& sessionBusAddress, const QString& busName, const QString& path,
                    const QString& interface);

    bool start() { return m_mock.start(); }
    void stop() { m_mock.stop(); }
    /// Emits `ActiveChanged(active)` from the service's object.
    void emitActiveChanged(bool active);

    const QString& interface() const { return m_interface; }
    DBusMockProcess& process() { return m_mock; }

private:
    QString m_path;
    QString m_interface;
    DBusMockProcess m_mock;
};

} // namespace hollerbox::testing
