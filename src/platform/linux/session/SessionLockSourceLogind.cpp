#include "SessionLockSourceLogind.h"

#include "LogindNames.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <unistd.h>

namespace hollerbox {

namespace {

const QString kActiveChanged = QStringLiteral("ActiveChanged");
const QString kGnomeScreenSaver = QStringLiteral("org.gnome.ScreenSaver");
const QStringList kScreenSaverInterfaces{QStringLiteral("org.freedesktop.ScreenSaver"), kGnomeScreenSaver};
constexpr int kAsynchronousCallTimeoutMs = 5000;
constexpr const char* kLockedHint = "LockedHint";
constexpr const char* kDesktop = "Desktop";

// GNOME-based desktops whose locker is not GNOME Shell's, so neither their "GNOME" entry nor an
// `org.gnome.ScreenSaver` says that the hint is maintained.
bool hasLockerOfItsOwn(const QString& entry)
{
    return entry.startsWith(QLatin1String("budgie")) || entry.startsWith(QLatin1String("gnome-flashback")) ||
           entry == QLatin1String("unity");
}

bool maintainsHint(const QString& entry)
{
    return entry == QLatin1String("gnome") || entry.startsWith(QLatin1String("gnome-")) ||
           entry == QLatin1String("kde") || entry.startsWith(QLatin1String("plasma"));
}

SessionValue toSessionValue(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return static_cast<std::int64_t>(value.toLongLong());
    case QMetaType::ULongLong:
        return static_cast<std::int64_t>(value.toULongLong());
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString().toStdString();
    default:
        return std::monostate{};
    }
}

} // namespace

quint32 SessionLockSourceLogind::currentProcessId()
{
    return static_cast<quint32>(::getpid());
}

SessionLockSourceLogind::SessionLockSourceLogind() : SessionLockSourceLogind(Options{}) {}

SessionLockSourceLogind::SessionLockSourceLogind(Options options)
    : m_options(std::move(options)),
      m_systemBus(QDBusConnection::SystemBus, QStringLiteral("session-lock-system"), m_options.retryInterval),
      m_sessionBus(QDBusConnection::SessionBus, QStringLiteral("session-lock-session"),
                   m_options.retryInterval)
{
    // The manager's session signals carry object paths; their slots connect only once the type is known.
    qRegisterMetaType<QDBusObjectPath>();
    m_logindWatcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    m_logindWatcher.addWatchedService(logind::service);
    connect(&m_logindWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &SessionLockSourceLogind::onLogindOwnerChanged);
    m_screenSaverWatcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_screenSaverWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &SessionLockSourceLogind::onScreenSaverUnregistered);
    connect(&m_maintenance, &QTimer::timeout, this, &SessionLockSourceLogind::maintain);

    m_synchronous = true;
    maintain();
    m_synchronous = false;
    m_maintenance.start(m_options.retryInterval);
}

SessionLockSourceLogind::~SessionLockSourceLogind()
{
    m_observers.clear();
    m_maintenance.stop();
    detachSessionBus();
    detachSystemBus();
}

SessionLockSource::ObserverToken SessionLockSourceLogind::addObserver(std::string_view name,
                                                                      EventHandler handler)
{
    const auto token = ++m_lastToken;
    m_observers.emplace(token, Observer{std::string{name}, std::move(handler)});
    return token;
}

void SessionLockSourceLogind::removeObserver(ObserverToken token)
{
    m_observers.erase(token);
}

std::optional<SessionDictionary> SessionLockSourceLogind::currentSessionDictionary()
{
    if (m_system && !m_system->isConnected()) {
        detachSystemBus();
    }
    if (m_session && !m_session->isConnected()) {
        detachSessionBus();
    }
    if (!m_properties) {
        return std::nullopt;
    }
    auto dictionary = *m_properties;
    const auto hint = dictionary.find(kLockedHint);
    if (hint != dictionary.end() && hint->second == SessionValue{true}) {
        m_lockedHintSeen = true;
    }
    if (!m_activeScreenSavers.isEmpty() && !hintMaintained(QString{}) && hint != dictionary.end() &&
        hint->second == SessionValue{false}) {
        dictionary.erase(hint);
    }
    return dictionary;
}

void SessionLockSourceLogind::maintain()
{
    if (m_system && !m_system->isConnected()) {
        detachSystemBus();
    }
    if (!m_system) {
        if (auto bus = m_systemBus.connection()) {
            attachSystemBus(*bus);
        }
    } else if (!m_busy && m_sessionPath.path().isEmpty() && m_retryLookup) {
        resolveSession();
    } else if (!m_busy && !m_sessionPath.path().isEmpty() && !m_properties) {
        readSessionProperties();
    }

    if (m_session && !m_session->isConnected()) {
        detachSessionBus();
    }
    if (!m_session) {
        if (auto bus = m_sessionBus.connection()) {
            attachSessionBus(*bus);
        }
    }
}

void SessionLockSourceLogind::attachSystemBus(QDBusConnection bus)
{
    m_system = bus;
    m_logindWatcher.setConnection(bus);
    bus.connect(logind::service, logind::managerPath, logind::managerInterface, QStringLiteral("SessionNew"),
                this, SLOT(onSessionNew(QString, QDBusObjectPath)));
    bus.connect(logind::service, logind::managerPath, logind::managerInterface,
                QStringLiteral("SessionRemoved"), this, SLOT(onSessionRemoved(QString, QDBusObjectPath)));
    resolveSession();
}

void SessionLockSourceLogind::detachSystemBus()
{
    forgetSession();
    if (m_system) {
        m_system->disconnect(logind::service, logind::managerPath, logind::managerInterface,
                             QStringLiteral("SessionNew"), this,
                             SLOT(onSessionNew(QString, QDBusObjectPath)));
        m_system->disconnect(logind::service, logind::managerPath, logind::managerInterface,
                             QStringLiteral("SessionRemoved"), this,
                             SLOT(onSessionRemoved(QString, QDBusObjectPath)));
    }
    m_logindWatcher.setConnection(QDBusConnection{QString{}});
    m_system.reset();
    m_systemBus.reset();
}

void SessionLockSourceLogind::attachSessionBus(QDBusConnection bus)
{
    m_session = bus;
    m_screenSaverWatcher.setConnection(bus);
    for (const auto& interface : kScreenSaverInterfaces) {
        bus.connect(QString{}, QString{}, interface, kActiveChanged, this,
                    SLOT(onScreenSaverActiveChanged(bool, QDBusMessage)));
    }
}

void SessionLockSourceLogind::detachSessionBus()
{
    if (m_session) {
        for (const auto& interface : kScreenSaverInterfaces) {
            m_session->disconnect(QString{}, QString{}, interface, kActiveChanged, this,
                                  SLOT(onScreenSaverActiveChanged(bool, QDBusMessage)));
        }
    }
    m_screenSaverWatcher.setWatchedServices({});
    m_screenSaverWatcher.setConnection(QDBusConnection{QString{}});
    m_session.reset();
    m_sessionBus.reset();
    if (!m_activeScreenSavers.isEmpty()) {
        m_activeScreenSavers.clear();
        post(unlockEventName);
    }
}

void SessionLockSourceLogind::resolveSession()
{
    forgetSession();
    if (!m_system) {
        return;
    }
    m_busy = true;
    m_retryLookup = false;
    tryLookup(0);
}

void SessionLockSourceLogind::tryLookup(std::size_t step)
{
    QDBusMessage message;
    std::size_t next = step + 1;
    if (step == 0 && !m_options.sessionId.isEmpty()) {
        message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                 logind::managerInterface, QStringLiteral("GetSession"));
        message << m_options.sessionId;
    } else if (step <= 1) {
        message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                 logind::managerInterface, QStringLiteral("GetSessionByPID"));
        message << m_options.processId;
        next = 2;
    } else if (step == 2) {
        message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                 logind::managerInterface, QStringLiteral("GetSession"));
        message << QStringLiteral("auto");
    } else {
        m_busy = false;
        return;
    }
    issue(message, [this, next](const QDBusMessage& reply) {
        const auto path = reply.arguments().value(0).value<QDBusObjectPath>();
        if (reply.type() == QDBusMessage::ReplyMessage && !path.path().isEmpty()) {
            followSession(path);
            return;
        }
        if (reply.type() == QDBusMessage::ErrorMessage && BusConnection::isUnreachable(QDBusError{reply})) {
            m_retryLookup = true;
        }
        tryLookup(next);
    });
}

void SessionLockSourceLogind::followSession(const QDBusObjectPath& path)
{
    if (path != m_sessionPath) {
        m_lockedHintSeen = false;
    }
    m_sessionPath = path;
    m_system->connect(logind::service, path.path(), logind::propertiesInterface,
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    readSessionProperties();
}

void SessionLockSourceLogind::readSessionProperties()
{
    if (!m_system || m_sessionPath.path().isEmpty()) {
        return;
    }
    m_busy = true;
    auto message = QDBusMessage::createMethodCall(logind::service, m_sessionPath.path(),
                                                  logind::propertiesInterface, QStringLiteral("GetAll"));
    message << logind::sessionInterface;
    issue(message, [this](const QDBusMessage& reply) {
        m_busy = false;
        if (reply.type() == QDBusMessage::ReplyMessage) {
            SessionDictionary properties;
            const auto map = qdbus_cast<QVariantMap>(reply.arguments().value(0));
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                properties.emplace(it.key().toStdString(), toSessionValue(it.value()));
            }
            const auto hint = properties.find(kLockedHint);
            m_lockedHintSeen =
                m_lockedHintSeen || (hint != properties.end() && hint->second == SessionValue{true});
            m_properties = std::move(properties);
        } else if (!BusConnection::isUnreachable(QDBusError{reply})) {
            forgetSession();
            m_retryLookup = true;
        }
    });
}

void SessionLockSourceLogind::forgetSession()
{
    ++m_generation;
    m_busy = false;
    if (m_system && !m_sessionPath.path().isEmpty()) {
        m_system->disconnect(logind::service, m_sessionPath.path(), logind::propertiesInterface,
                             QStringLiteral("PropertiesChanged"), this,
                             SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    m_sessionPath = QDBusObjectPath{};
    m_properties.reset();
}

void SessionLockSourceLogind::issue(const QDBusMessage& message, ReplyHandler handler)
{
    if (m_synchronous) {
        handler(m_system->call(message, QDBus::Block, static_cast<int>(m_options.callTimeout.count())));
        return;
    }
    auto* watcher =
        new QDBusPendingCallWatcher(m_system->asyncCall(message, kAsynchronousCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation = m_generation, handler = std::move(handler)] {
                watcher->deleteLater();
                if (generation == m_generation) {
                    handler(watcher->reply());
                }
            });
}

void SessionLockSourceLogind::onSessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                                         const QStringList& invalidated)
{
    if (interface != logind::sessionInterface) {
        return;
    }
    std::optional<bool> lockChange;
    const auto hint = changed.constFind(QString::fromLatin1(kLockedHint));
    if (hint != changed.cend() && hint->metaType() == QMetaType::fromType<bool>()) {
        const bool locked = hint->toBool();
        m_lockedHintSeen = m_lockedHintSeen || locked;
        const auto known = m_properties ? m_properties->find(kLockedHint) : SessionDictionary::iterator{};
        if (!m_properties || known == m_properties->end() || known->second != SessionValue{locked}) {
            lockChange = locked;
        }
    }
    if (m_properties) {
        for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
            (*m_properties)[it.key().toStdString()] = toSessionValue(it.value());
        }
        if (!invalidated.isEmpty() && !m_busy) {
            readSessionProperties();
        }
    }
    if (lockChange) {
        post(*lockChange ? lockEventName : unlockEventName);
    }
}

void SessionLockSourceLogind::onSessionNew(const QString&, const QDBusObjectPath&)
{
    if (m_sessionPath.path().isEmpty() && !m_busy) {
        resolveSession();
    }
}

void SessionLockSourceLogind::onSessionRemoved(const QString&, const QDBusObjectPath& path)
{
    if (path == m_sessionPath) {
        resolveSession();
    }
}

void SessionLockSourceLogind::onLogindOwnerChanged(const QString&, const QString&, const QString& newOwner)
{
    forgetSession();
    if (!newOwner.isEmpty()) {
        resolveSession();
    }
}

std::optional<bool> SessionLockSourceLogind::desktopMaintainsHint() const
{
    auto names = m_options.desktop;
    if (m_properties) {
        const auto desktop = m_properties->find(kDesktop);
        if (desktop != m_properties->end()) {
            if (const auto* text = std::get_if<std::string>(&desktop->second)) {
                names += QLatin1Char(':') + QString::fromStdString(*text);
            }
        }
    }
    bool maintained = false;
    for (const auto& name : names.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const auto entry = name.trimmed().toLower();
        if (hasLockerOfItsOwn(entry)) {
            return false;
        }
        maintained = maintained || maintainsHint(entry);
    }
    return maintained ? std::optional<bool>{true} : std::nullopt;
}

bool SessionLockSourceLogind::hintMaintained(const QString& interface) const
{
    if (m_lockedHintSeen) {
        return true;
    }
    const auto desktop = desktopMaintainsHint();
    return desktop ? *desktop : interface == kGnomeScreenSaver;
}

void SessionLockSourceLogind::onScreenSaverActiveChanged(bool active, const QDBusMessage& message)
{
    const auto sender = message.service();
    if (active) {
        if (hintMaintained(message.interface())) {
            return;
        }
        if (!sender.isEmpty() && !m_activeScreenSavers.contains(sender)) {
            m_activeScreenSavers.insert(sender);
            m_screenSaverWatcher.addWatchedService(sender);
        }
        post(lockEventName);
    } else {
        if (m_activeScreenSavers.remove(sender)) {
            m_screenSaverWatcher.removeWatchedService(sender);
        }
        post(unlockEventName);
    }
}

void SessionLockSourceLogind::onScreenSaverUnregistered(const QString& uniqueName)
{
    m_screenSaverWatcher.removeWatchedService(uniqueName);
    if (m_activeScreenSavers.remove(uniqueName) && m_activeScreenSavers.isEmpty()) {
        post(unlockEventName);
    }
}

void SessionLockSourceLogind::post(std::string_view name)
{
    std::vector<ObserverToken> tokens;
    for (const auto& [token, observer] : m_observers) {
        if (observer.name == name) {
            tokens.push_back(token);
        }
    }
    for (const auto token : tokens) {
        const auto observer = m_observers.find(token);
        if (observer != m_observers.end()) {
            auto handler = observer->second.handler;
            handler();
        }
    }
}

} // namespace hollerbox
