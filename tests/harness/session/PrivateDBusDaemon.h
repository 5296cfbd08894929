#pragma once

#include "ServiceProcess.h"

#include <QString>
#include <memory>

namespace hollerbox::testing {

/// A dbus-daemon of the test's own, with an allow-all policy, listening on a socket in `directory`.
class PrivateDBusDaemon
{
public:
    /// `kind` is "system" or "session"; it names the socket and the daemon's logs.
    PrivateDBusDaemon(QString kind, QString directory);

    /// Starts the daemon and waits until it accepts connections; false (with an added failure) otherwise.
    bool start();
    void stop();
    bool isRunning() const { return m_process && m_process->isRunning(); }
    /// The D-Bus address of the bus, valid before and after `start()`.
    QString address() const { return QStringLiteral("unix:path=") + m_socketPath; }

private:
    QString m_kind;
    QString m_directory;
    QString m_socketPath;
    std::unique_ptr<ServiceProcess> m_process;
};

} // namespace hollerbox::testing
