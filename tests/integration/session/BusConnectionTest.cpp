#include "linux/session/BusConnection.h"

#include "PrivateDBusDaemon.h"
#include "QtTestApplication.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

/// The unique ID of the bus `connection` is on, or empty.
QString busId(const QDBusConnection& connection)
{
    const QDBusReply<QString> reply = connection.interface()->call(QStringLiteral("GetId"));
    return reply.isValid() ? reply.value() : QString{};
}

// The address is read again at each attempt: a process that meets a second bus (one test after another, or a
// bus that came back elsewhere) reaches it rather than the first one libdbus saw.
TEST(BusConnectionTest, ConnectsToTheBusTheEnvironmentNamesAtEachAttempt)
{
    ensureCoreApplication();
    QTemporaryDir first;
    QTemporaryDir second;
    PrivateDBusDaemon daemons[] = {{QStringLiteral("system"), first.path()},
                                   {QStringLiteral("system"), second.path()}};
    const QByteArray previous = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    BusConnection bus{QDBusConnection::SystemBus, QStringLiteral("test")};
    for (auto& daemon : daemons) {
        ASSERT_TRUE(daemon.start());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", daemon.address().toUtf8());
        bus.reset();
        const auto connection = bus.connection();
        ASSERT_TRUE(connection.has_value());
        const auto expected = QDBusConnection::connectToBus(daemon.address(), QStringLiteral("probe"));
        EXPECT_EQ(busId(*connection), busId(expected));
        EXPECT_FALSE(busId(expected).isEmpty());
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
    }
    if (previous.isEmpty()) {
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    } else {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", previous);
    }
}

} // namespace
} // namespace hollerbox::testing
