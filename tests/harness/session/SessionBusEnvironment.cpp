#include "SessionBusEnvironment.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {

SessionBusEnvironment::SessionBusEnvironment()
    : m_systemBus(std::make_unique<PrivateDBusDaemon>(QStringLiteral("system"), m_directory.path())),
      m_sessionBus(std::make_unique<PrivateDBusDaemon>(QStringLiteral("session"), m_directory.path())),
      m_savedSystemAddress(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")),
      m_savedSessionAddress(qgetenv("DBUS_SESSION_BUS_ADDRESS"))
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus->address().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus->address().toUtf8());
}

SessionBusEnvironment::~SessionBusEnvironment()
{
    m_sessionBus->stop();
    m_systemBus->stop();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_savedSystemAddress);
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_savedSessionAddress);
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
