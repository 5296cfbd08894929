#include "AccessibilityBus.h"

#include "EventLoopWait.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <atomic>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
constexpr int callTimeoutMs = 2000;
// Bits of the state set, as AT-SPI numbers them.
constexpr unsigned stateShowing = 25;
constexpr unsigned stateVisible = 30;

QString launcherProgram()
{
    for (const char* candidate :
         {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"}) {
        if (QFile::exists(QString::fromLatin1(candidate))) {
            return QString::fromLatin1(candidate);
        }
    }
    return QStringLiteral("at-spi-bus-launcher");
}

/// The (service, path) references in a reply of GetChildren or of the registry.
QList<std::pair<QString, QString>> references(const QDBusMessage& reply)
{
    QList<std::pair<QString, QString>> found;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return found;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString service;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> service >> path;
        argument.endStructure();
        found.append({service, path.path()});
    }
    argument.endArray();
    return found;
}

bool hasBit(const QList<uint>& words, unsigned bit)
{
    const auto word = static_cast<qsizetype>(bit / 32);
    return word < words.size() && (words.at(word) & (1U << (bit % 32))) != 0;
}

} // namespace

AccessibilityBus::AccessibilityBus(QString sessionBusAddress, QString runtimeDirectory)
    : m_sessionBusAddress(std::move(sessionBusAddress)), m_runtimeDirectory(std::move(runtimeDirectory))
{
    static std::atomic<int> counter{0};
    m_connectionName = QStringLiteral("accessibility-%1").arg(++counter);
}

AccessibilityBus::~AccessibilityBus()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    QDBusConnection::disconnectFromBus(m_connectionName + QStringLiteral("-session"));
}

void AccessibilityBus::enableFor(QProcessEnvironment& environment)
{
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
    environment.remove(QStringLiteral("NO_AT_BRIDGE"));
}

bool AccessibilityBus::start()
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_sessionBusAddress);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDirectory);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_launcher =
        std::make_unique<ServiceProcess>("at-spi-bus-launcher", launcherProgram(),
                                         QStringList{QStringLiteral("--launch-immediately")}, environment);
    if (!m_launcher->start()) {
        m_error = QStringLiteral("the accessibility bus launcher did not start: ") +
                  QString::fromStdString(m_launcher->logs());
        return false;
    }
    auto session =
        QDBusConnection::connectToBus(m_sessionBusAddress, m_connectionName + QStringLiteral("-session"));
    QString address;
    waitProcessingEvents(
        [&] {
            const QDBusMessage reply =
                session.call(QDBusMessage::createMethodCall(
                                 QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                 QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
                             QDBus::Block, callTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                address = reply.arguments().constFirst().toString();
            }
            return !address.isEmpty() || !m_launcher->isRunning();
        },
        10s, 50ms);
    if (address.isEmpty()) {
        m_error = QStringLiteral("the accessibility bus did not come up: ") +
                  QString::fromStdString(m_launcher->logs());
        return false;
    }
    m_bus = QDBusConnection::connectToBus(address, m_connectionName);
    if (!m_bus.isConnected()) {
        m_error = QStringLiteral("could not connect to the accessibility bus at ") + address;
        return false;
    }
    return true;
}

std::vector<AccessibilityBus::Node> AccessibilityBus::showingNodes()
{
    std::vector<Node> nodes;
    if (!m_bus.isConnected()) {
        return nodes;
    }
    // Programs register with the registry; a program whose registration was missed still answers at its root.
    QStringList services;
    for (const QString& name : m_bus.interface()->registeredServiceNames().value()) {
        if (name.startsWith(QLatin1Char(':')) && name != m_bus.baseService()) {
            services << name;
        }
    }
    for (const QString& service : services) {
        collect(service, rootPath, 0, nodes);
    }
    return nodes;
}

void AccessibilityBus::collect(const QString& service, const QString& path, int depth,
                               std::vector<Node>& nodes)
{
    auto call = [&](const QString& method) {
        return m_bus.call(QDBusMessage::createMethodCall(service, path, accessibleInterface, method),
                          QDBus::Block, callTimeoutMs);
    };
    if (depth > 0) {
        const QDBusMessage state = call(QStringLiteral("GetState"));
        if (state.type() != QDBusMessage::ReplyMessage || state.arguments().isEmpty()) {
            return;
        }
        QList<uint> words;
        state.arguments().constFirst().value<QDBusArgument>() >> words;
        if (!hasBit(words, stateShowing) || !hasBit(words, stateVisible)) {
            return;
        }
    }
    auto get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << accessibleInterface << QStringLiteral("Name");
    const QDBusMessage name = m_bus.call(get, QDBus::Block, callTimeoutMs);
    const QDBusMessage role = call(QStringLiteral("GetRoleName"));
    if (name.type() != QDBusMessage::ReplyMessage || role.type() != QDBusMessage::ReplyMessage) {
        return;
    }
    nodes.push_back({service, path, role.arguments().value(0).toString(),
                     name.arguments().value(0).value<QDBusVariant>().variant().toString(), depth});
    for (const auto& [childService, childPath] : references(call(QStringLiteral("GetChildren")))) {
        if (childService == service && childPath != path) {
            collect(childService, childPath, depth + 1, nodes);
        }
    }
}

std::optional<AccessibilityBus::Node> AccessibilityBus::find(const QString& role, const QString& name)
{
    for (Node& node : showingNodes()) {
        if (node.role == role && node.name == name) {
            return std::move(node);
        }
    }
    return std::nullopt;
}

bool AccessibilityBus::press(const Node& node)
{
    const QString interface = QStringLiteral("org.a11y.atspi.Action");
    const QDBusMessage actions = m_bus.call(
        QDBusMessage::createMethodCall(node.service, node.path, interface, QStringLiteral("GetActions")),
        QDBus::Block, callTimeoutMs);
    if (actions.type() != QDBusMessage::ReplyMessage || actions.arguments().isEmpty()) {
        return false;
    }
    const auto list = actions.arguments().constFirst().value<QDBusArgument>();
    int index = 0;
    int pressIndex = -1;
    list.beginArray();
    while (!list.atEnd()) {
        QString actionName;
        QString description;
        QString keyBinding;
        list.beginStructure();
        list >> actionName >> description >> keyBinding;
        list.endStructure();
        if (pressIndex < 0 && actionName == QStringLiteral("Press")) {
            pressIndex = index;
        }
        ++index;
    }
    list.endArray();
    if (pressIndex < 0) {
        return false;
    }
    auto doAction =
        QDBusMessage::createMethodCall(node.service, node.path, interface, QStringLiteral("DoAction"));
    doAction << pressIndex;
    const QDBusMessage reply = m_bus.call(doAction, QDBus::Block, callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

std::optional<QRect> AccessibilityBus::extents(const Node& node)
{
    auto call = QDBusMessage::createMethodCall(
        node.service, node.path, QStringLiteral("org.a11y.atspi.Component"), QStringLiteral("GetExtents"));
    call << 0U;
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    const auto box = reply.arguments().constFirst().value<QDBusArgument>();
    box.beginStructure();
    box >> x >> y >> width >> height;
    box.endStructure();
    return QRect{x, y, width, height};
}

} // namespace hollerbox::testing
