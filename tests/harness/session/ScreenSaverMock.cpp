#include "ScreenSaverMock.h"

namespace hollerbox::testing {

ScreenSaverMock ScreenSaverMock::freedesktop(const QString& sessionBusAddress)
{
    return {sessionBusAddress, QStringLiteral("org.freedesktop.ScreenSaver"),
            QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")};
}

ScreenSaverMock ScreenSaverMock::gnome(const QString& sessionBusAddress)
{
    return {sessionBusAddress, QStringLiteral("org.gnome.ScreenSaver"),
            QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")};
}

ScreenSaverMock::ScreenSaverMock(const QString& sessionBusAddress, const QString& busName,
                                 const QString& path, const QString& interface)
    : m_path(path), m_interface(interface),
      m_mock(busName.toStdString() + " mock", sessionBusAddress, false, busName, {busName, path, interface})
{}

void ScreenSaverMock::emitActiveChanged(bool active)
{
    m_mock.call(m_path, QString::fromLatin1(DBusMockProcess::mockInterface), QStringLiteral("EmitSignal"),
                {m_interface, QStringLiteral("ActiveChanged"), QStringLiteral("b"), QVariantList{active}});
}

} // namespace hollerbox::testing
