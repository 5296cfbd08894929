#pragma once

#include "ServiceProcess.h"

#include <QDBusConnection>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace hollerbox::testing {

/// The desktop's accessibility bus, launched for a private session bus, and a client of it that reads and
/// presses what Qt programs on that session show, as a screen reader would.
class AccessibilityBus
{
public:
    /// One object a program exposes: a window, a label, a button.
    struct Node
    {
        QString service;
        QString path;
        QString role;
        QString name;
        int depth = 0;
    };

    /// `runtimeDirectory` holds the bus's socket.
    AccessibilityBus(QString sessionBusAddress, QString runtimeDirectory);
    ~AccessibilityBus();

    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    /// Starts the launcher and connects to the bus it runs; false with the reason in `error()` otherwise.
    bool start();
    const QString& error() const { return m_error; }

    /// Adds what a Qt program needs to expose its interface on this bus.
    static void enableFor(QProcessEnvironment& environment);

    /// Every object that is showing in every program, depth first; hidden subtrees are left out.
    std::vector<Node> showingNodes();
    /// The first showing object with this role (as AT-SPI names it: "push button", "label", "frame") and
    /// name.
    std::optional<Node> find(const QString& role, const QString& name);
    /// Runs the object's "Press" action, as a click does; false when it has none or the call failed.
    bool press(const Node& node);
    /// The object's place on the screen.
    std::optional<QRect> extents(const Node& node);

private:
    void collect(const QString& service, const QString& path, int depth, std::vector<Node>& nodes);

    QString m_sessionBusAddress;
    QString m_runtimeDirectory;
    QString m_connectionName;
    QString m_error;
    std::unique_ptr<ServiceProcess> m_launcher;
    QDBusConnection m_bus{QString{}};
};

} // namespace hollerbox::testing
