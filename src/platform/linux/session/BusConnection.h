#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QString>
#include <chrono>
#include <optional>

namespace hollerbox {

/// A private connection to the system or session bus (as DBUS_SYSTEM_BUS_ADDRESS and
/// DBUS_SESSION_BUS_ADDRESS say at each attempt) under a name of its own. A lost bus is reconnected on
/// demand, so a bus that starts or restarts later is picked up; failed attempts are spaced by
/// `retryInterval`, doubling after each failure up to 32 times that.
class BusConnection
{
public:
    BusConnection(QDBusConnection::BusType type, QString purpose,
                  std::chrono::milliseconds retryInterval = std::chrono::seconds{2});
    ~BusConnection();

    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    /// The live connection, connecting first when an attempt is due; none while the bus is unreachable.
    std::optional<QDBusConnection> connection();
    /// Whether a live connection is held, without trying to connect.
    bool isConnected() const;
    /// Forgets the connection; the next `connection()` reconnects at once.
    void reset();

    /// Whether an error says that the peer or the bus cannot be reached (as opposed to a refusal).
    static bool isUnreachable(const QDBusError& error);

private:
    void disconnect();

    QDBusConnection::BusType m_type;
    QString m_purpose;
    std::chrono::milliseconds m_retryInterval;
    QString m_name;
    std::optional<QDBusConnection> m_connection;
    std::optional<std::chrono::steady_clock::time_point> m_nextAttemptAt;
    int m_backoff = 1;
};

} // namespace hollerbox
