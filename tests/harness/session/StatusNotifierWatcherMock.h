#pragma once

#include "DBusMockProcess.h"

#include <QStringList>

namespace hollerbox::testing {

/// The desktop's tray as a StatusNotifierWatcher on a private session bus: it reports a registered host,
/// answers Introspect, and records the items that register, as the watcher of a real tray does.
class StatusNotifierWatcherMock
{
public:
    static constexpr const char* service = "org.kde.StatusNotifierWatcher";
    static constexpr const char* path = "/StatusNotifierWatcher";

    explicit StatusNotifierWatcherMock(const QString& sessionBusAddress);

    /// Starts the watcher with its host registered; false (with an added failure) otherwise.
    bool start();
    void stop() { m_mock.stop(); }

    /// The bus names of the items registered so far.
    QStringList registeredItems();

    DBusMockProcess& process() { return m_mock; }

private:
    DBusMockProcess m_mock;
};

} // namespace hollerbox::testing
