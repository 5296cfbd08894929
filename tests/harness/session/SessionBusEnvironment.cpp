#include "SessionBusEnvironment.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {

namespace {

std::optional<QByteArray> savedVariable(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>{qgetenv(name)} : std::nullopt;
}

} // namespace

SessionBusEnvironment::SessionBusEnvironment()
    : m_systemBus(std::make_unique<PrivateDBusDaemon>(QStringLiteral("system"), m_directory.path())),
      m_sessionBus(std::make_unique<PrivateDBusDaemon>(QStringLiteral("session"), m_directory.path())),
      m_savedSystemAddress(savedVariable("DBUS_SYSTEM_BUS_ADDRESS")),
      m_savedSessionAddress(savedVariable("DBUS_SESSION_BUS_ADDRESS"))
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus->address().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus->address().toUtf8());
}

SessionBusEnvironment::~SessionBusEnvironment()
{
    m_sessionBus->stop();
    m_systemBus->stop();
    const auto restore = [](const char* name, const std::optional<QByteArray>& value) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    };
    restore("DBUS_SYSTEM_BUS_ADDRESS", m_savedSystemAddress);
    restore("DBUS_SESSION_BUS_ADDRESS", m_savedSessionAddress);
}

bool SessionBusEnvironment::start(bool withSystemBus, bool withSessionBus)
{
    if (!m_directory.isValid()) {
        ADD_FAILURE() << "no temporary directory: " << m_directory.errorString().toStdString();
        return false;
    }
    bool started = true;
    if (withSystemBus) {
        started = m_systemBus->start() && started;
    }
    if (withSessionBus) {
        started = m_sessionBus->start() && started;
    }
    return started;
}

} // namespace hollerbox::testing
