#pragma once

#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>

namespace hollerbox {

/// Whether the desktop has a system tray, followed over time: a StatusNotifierWatcher with a registered host
/// on the session bus that Qt's platform can serve. Qt remembers its first answer about the D-Bus tray for
/// the life of the process, so it is only asked once a host is registered.
class TrayAvailability final : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* watcherPath = "/StatusNotifierWatcher";

    explicit TrayAvailability(QObject* parent = nullptr);

    /// The answer of the latest check.
    bool isAvailable() const { return m_available; }
    /// Checks now and announces a change.
    void recheck();

Q_SIGNALS:
    void availableChanged(bool available);

private:
    static bool statusNotifierHostRegistered();

    QDBusServiceWatcher m_watcher;
    QTimer m_poll;
    bool m_available = false;
};

} // namespace hollerbox
