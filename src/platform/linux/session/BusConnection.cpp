#include "BusConnection.h"

#include <algorithm>
#include <atomic>

namespace hollerbox {

namespace {

constexpr int kMaximumBackoff = 32;

/// The bus's address as the environment gives it now (libdbus reads it only once per process), or empty to
/// let libdbus find it.
QString addressFromEnvironment(QDBusConnection::BusType type)
{
    const auto address = qEnvironmentVariable(
        type == QDBusConnection::SystemBus ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty() && type == QDBusConnection::SystemBus) {
        return QStringLiteral("unix:path=/run/dbus/system_bus_socket");
    }
    return address;
}

QString uniqueConnectionName(const QString& purpose)
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("hollerbox-%1-%2").arg(purpose).arg(++counter);
}

} // namespace

BusConnection::BusConnection(QDBusConnection::BusType type, QString purpose,
                             std::chrono::milliseconds retryInterval)
    : m_type(type), m_purpose(std::move(purpose)), m_retryInterval(retryInterval)
{}

BusConnection::~BusConnection()
{
    disconnect();
}

std::optional<QDBusConnection> BusConnection::connection()
{
    if (m_connection && m_connection->isConnected()) {
        return m_connection;
    }
    disconnect();
    const auto now = std::chrono::steady_clock::now();
    if (m_nextAttemptAt && now < *m_nextAttemptAt) {
        return std::nullopt;
    }
    m_nextAttemptAt = now + m_retryInterval * m_backoff;
    m_name = uniqueConnectionName(m_purpose);
    const auto address = addressFromEnvironment(m_type);
    auto attempt = address.isEmpty() ? QDBusConnection::connectToBus(m_type, m_name)
                                     : QDBusConnection::connectToBus(address, m_name);
    if (!attempt.isConnected()) {
        disconnect();
        m_backoff = std::min(m_backoff * 2, kMaximumBackoff);
        return std::nullopt;
    }
    m_backoff = 1;
    m_connection = attempt;
    return m_connection;
}

bool BusConnection::isConnected() const
{
    return m_connection && m_connection->isConnected();
}

void BusConnection::reset()
{
    disconnect();
    m_nextAttemptAt.reset();
    m_backoff = 1;
}

void BusConnection::disconnect()
{
    m_connection.reset();
    if (!m_name.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_name);
        m_name.clear();
    }
}

bool BusConnection::isUnreachable(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::NoNetwork:
        return true;
    default:
        return error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    }
}

} // namespace hollerbox
