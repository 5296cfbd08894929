#pragma once

#include "ServiceProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcessEnvironment>
#include <QString>
#include <QVariantList>
#include <memory>

namespace hollerbox::testing {

/// One python-dbusmock process on a private bus, with a control connection of the test's own to drive it.
class DBusMockProcess
{
public:
    static constexpr const char* mockInterface = "org.freedesktop.DBus.Mock";

    /// `busAddress` is the bus to serve; `busName` the name the mock claims; `arguments` follow `-m
    /// dbusmock`.
    DBusMockProcess(std::string label, QString busAddress, bool systemBus, QString busName,
                    QStringList arguments);
    ~DBusMockProcess();

    DBusMockProcess(const DBusMockProcess&) = delete;
    DBusMockProcess& operator=(const DBusMockProcess&) = delete;

    /// Starts the mock and waits until it owns its name; false (with an added failure) otherwise.
    bool start();
    /// Ends the mock; its name and objects vanish from the bus.
    void stop();
    /// Freezes the mock (SIGSTOP), so that calls to it hang until `resume()`.
    void pause();
    void resume();
    bool isRunning() const { return m_process && m_process->isRunning(); }

    /// Calls a method of the mock and returns the reply; an error reply adds a test failure.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    /// Calls a method and returns the reply as it is, errors included.
    QDBusMessage tryCall(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& arguments = {});
    const QString& busName() const { return m_busName; }
    QDBusConnection& control() { return m_control; }

private:
    std::string m_label;
    QString m_busAddress;
    QString m_busName;
    QStringList m_arguments;
    bool m_systemBus = false;
    QString m_controlName;
    QDBusConnection m_control{QString{}};
    std::unique_ptr<ServiceProcess> m_process;
    bool m_paused = false;
};

} // namespace hollerbox::testing
