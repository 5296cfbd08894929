#pragma once

#include "PrivateDBusDaemon.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace hollerbox::testing {

/// A private system bus and session bus for one test process, announced to the code under test through
/// DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS. A bus that is not started still has an address,
/// on which nothing listens, so the machine's own buses are never reached. Children started while it lives
/// inherit both addresses. libdbus reads the addresses once per process, so use one environment per test
/// process (gtest_discover_tests runs each test in a process of its own).
class SessionBusEnvironment
{
public:
    SessionBusEnvironment();
    ~SessionBusEnvironment();

    SessionBusEnvironment(const SessionBusEnvironment&) = delete;
    SessionBusEnvironment& operator=(const SessionBusEnvironment&) = delete;

    /// Starts the requested buses; false (with an added failure) when one did not come up.
    bool start(bool withSystemBus = true, bool withSessionBus = true);

    PrivateDBusDaemon& systemBus() { return *m_systemBus; }
    PrivateDBusDaemon& sessionBus() { return *m_sessionBus; }
    QString systemBusAddress() const { return m_systemBus->address(); }
    QString sessionBusAddress() const { return m_sessionBus->address(); }
    QString directory() const { return m_directory.path(); }

private:
    QTemporaryDir m_directory;
    std::unique_ptr<PrivateDBusDaemon> m_systemBus;
    std::unique_ptr<PrivateDBusDaemon> m_sessionBus;
    std::optional<QByteArray> m_savedSystemAddress;
    std::optional<QByteArray> m_savedSessionAddress;
};

} // namespace hollerbox::testing
