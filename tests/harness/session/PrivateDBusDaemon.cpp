#include "PrivateDBusDaemon.h"

#include "WaitFor.h"

#include <QDBusConnection>
#include <QFile>
#include <gtest/gtest.h>

namespace hollerbox::testing {

namespace {

constexpr const char* kConfiguration =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>%1</type>
  <listen>unix:path=%2</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateDBusDaemon::PrivateDBusDaemon(QString kind, QString directory)
    : m_kind(std::move(kind)), m_directory(std::move(directory)),
      m_socketPath(m_directory + QStringLiteral("/") + m_kind + QStringLiteral("_bus_socket"))
{}

bool PrivateDBusDaemon::start()
{
    const auto configPath = m_directory + QStringLiteral("/") + m_kind + QStringLiteral("-bus.conf");
    QFile config{configPath};
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << configPath.toStdString();
        return false;
    }
    config.write(QString::fromLatin1(kConfiguration).arg(m_kind, m_socketPath).toUtf8());
    config.close();

    QFile::remove(m_socketPath);
    m_process = std::make_unique<ServiceProcess>(
        m_kind.toStdString() + " dbus-daemon", QStringLiteral("dbus-daemon"),
        QStringList{QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--nosyslog")});
    if (!m_process->start()) {
        ADD_FAILURE() << "dbus-daemon did not start: " << m_process->logs();
        return false;
    }
    const auto probeName = QStringLiteral("hollerbox-test-probe-") + m_kind;
    const bool ready = waitFor(
        [&] {
            if (!QFile::exists(m_socketPath)) {
                return false;
            }
            const bool connected = QDBusConnection::connectToBus(address(), probeName).isConnected();
            QDBusConnection::disconnectFromBus(probeName);
            return connected;
        },
        std::chrono::seconds{5});
    if (!ready) {
        ADD_FAILURE() << m_kind.toStdString() << " bus did not come up: " << m_process->logs();
    }
    return ready;
}

void PrivateDBusDaemon::stop()
{
    if (m_process) {
        m_process->stop();
    }
}

} // namespace hollerbox::testing
