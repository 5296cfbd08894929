#include "DBusMockProcess.h"

#include "WaitFor.h"

#include <QDBusConnectionInterface>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>

namespace hollerbox::testing {

namespace {

QString uniqueControlName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("hollerbox-test-mock-control-%1").arg(++counter);
}

} // namespace

DBusMockProcess::DBusMockProcess(std::string label, QString busAddress, bool systemBus, QString busName,
                                 QStringList arguments)
    : m_label(std::move(label)), m_busAddress(std::move(busAddress)), m_busName(std::move(busName)),
      m_arguments(std::move(arguments)), m_systemBus(systemBus), m_controlName(uniqueControlName())
{}

DBusMockProcess::~DBusMockProcess()
{
    stop();
    m_control = QDBusConnection{QString{}};
    QDBusConnection::disconnectFromBus(m_controlName);
}

bool DBusMockProcess::start()
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(m_systemBus ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")
                                   : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       m_busAddress);
    environment.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
    m_process = std::make_unique<ServiceProcess>(
        m_label, QStringLiteral("/usr/bin/python3"),
        QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + m_arguments, environment);
    if (!m_process->start()) {
        ADD_FAILURE() << m_label << " did not start: " << m_process->logs();
        return false;
    }
    if (!m_control.isConnected()) {
        m_control = QDBusConnection::connectToBus(m_busAddress, m_controlName);
    }
    if (!m_control.isConnected()) {
        ADD_FAILURE() << m_label << ": no control connection to " << m_busAddress.toStdString();
        return false;
    }
    const bool ready = waitFor(
        [&] {
            return m_process->isRunning() && m_control.interface()->isServiceRegistered(m_busName).value();
        },
        std::chrono::seconds{10}, std::chrono::milliseconds{10});
    if (!ready) {
        ADD_FAILURE() << m_label << " did not claim " << m_busName.toStdString() << ": " << m_process->logs();
    }
    return ready;
}

void DBusMockProcess::stop()
{
    if (!m_process) {
        return;
    }
    resume();
    m_process->stop();
    if (m_control.isConnected()) {
        waitFor([&] { return !m_control.interface()->isServiceRegistered(m_busName).value(); },
                std::chrono::seconds{3});
    }
}

void DBusMockProcess::pause()
{
    if (isRunning() && !m_paused) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGSTOP);
        m_paused = true;
    }
}

void DBusMockProcess::resume()
{
    if (isRunning() && m_paused) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGCONT);
    }
    m_paused = false;
}

QDBusMessage DBusMockProcess::tryCall(const QString& path, const QString& interface, const QString& method,
                                      const QVariantList& arguments)
{
    auto message = QDBusMessage::createMethodCall(m_busName, path, interface, method);
    message.setArguments(arguments);
    return m_control.call(message, QDBus::Block, 5000);
}

QDBusMessage DBusMockProcess::call(const QString& path, const QString& interface, const QString& method,
                                   const QVariantList& arguments)
{
    auto reply = tryCall(path, interface, method, arguments);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        ADD_FAILURE() << m_label << ": " << method.toStdString() << " on " << path.toStdString()
                      << " failed: " << reply.errorName().toStdString() << ": "
                      << reply.errorMessage().toStdString();
    }
    return reply;
}

} // namespace hollerbox::testing
