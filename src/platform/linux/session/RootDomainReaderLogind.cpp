#include "RootDomainReaderLogind.h"

#include "LogindNames.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

namespace hollerbox {

RootDomainReaderLogind::RootDomainReaderLogind() : RootDomainReaderLogind(Options{}) {}

RootDomainReaderLogind::RootDomainReaderLogind(Options options)
    : m_options(std::move(options)),
      m_bus(QDBusConnection::SystemBus, QStringLiteral("root-domain"), m_options.reconnectInterval)
{
    startLidRead();
}

RootDomainReaderLogind::~RootDomainReaderLogind() = default;

std::optional<bool> RootDomainReaderLogind::currentClamshellState()
{
    if (!m_lidRead) {
        startLidRead();
    }
    switch (m_lidSource) {
    case LidSource::logind:
        return m_logindLid;
    case LidSource::acpi:
        return readProcLidState();
    case LidSource::unknown:
        break;
    }
    return std::nullopt;
}

void RootDomainReaderLogind::startLidRead()
{
    auto bus = m_bus.connection();
    if (!bus) {
        m_lidSource = LidSource::acpi;
        return;
    }
    auto message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                  logind::propertiesInterface, QStringLiteral("Get"));
    message << logind::managerInterface << QStringLiteral("LidClosed");
    m_lidRead = std::make_unique<QDBusPendingCallWatcher>(
        bus->asyncCall(message, static_cast<int>(m_options.lidReadTimeout.count())));
    QObject::connect(m_lidRead.get(), &QDBusPendingCallWatcher::finished, m_lidRead.get(),
                     [this](QDBusPendingCallWatcher* watcher) {
                         const auto reply = watcher->reply();
                         m_lidRead.release()->deleteLater();
                         finishLidRead(reply);
                     });
}

void RootDomainReaderLogind::finishLidRead(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage) {
        const auto value = reply.arguments().value(0).value<QDBusVariant>().variant();
        m_lidSource = LidSource::logind;
        m_logindLid = value.metaType() == QMetaType::fromType<bool>() ? std::optional<bool>{value.toBool()}
                                                                      : std::nullopt;
        m_quietUntil.reset();
        return;
    }
    const QDBusError error{reply};
    if (!BusConnection::isUnreachable(error)) {
        m_lidSource = LidSource::logind;
        m_logindLid.reset();
        return;
    }
    m_lidSource = LidSource::acpi;
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
        error.type() == QDBusError::TimedOut) {
        m_quietUntil = std::chrono::steady_clock::now() + m_options.quietPeriod;
    }
    if (!m_bus.isConnected()) {
        m_bus.reset();
    }
}

std::optional<bool> RootDomainReaderLogind::currentSleepSupported()
{
    const auto answer = callManager(QDBusMessage::createMethodCall(
        logind::service, logind::managerPath, logind::managerInterface, QStringLiteral("CanSuspend")));
    if (answer.value.metaType() != QMetaType::fromType<QString>()) {
        return std::nullopt;
    }
    const auto text = answer.value.toString();
    if (text == QLatin1String("yes") || text == QLatin1String("challenge")) {
        return true;
    }
    if (text == QLatin1String("no") || text == QLatin1String("na")) {
        return false;
    }
    return std::nullopt;
}

bool RootDomainReaderLogind::canOpenRootDomain()
{
    return callManager(QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                      QStringLiteral("org.freedesktop.DBus.Peer"),
                                                      QStringLiteral("Ping")))
        .reachable;
}

RootDomainReaderLogind::Answer RootDomainReaderLogind::callManager(const QDBusMessage& message)
{
    const auto now = std::chrono::steady_clock::now();
    if (m_quietUntil && now < *m_quietUntil) {
        return {};
    }
    auto bus = m_bus.connection();
    if (!bus) {
        return {};
    }
    const auto reply = bus->call(message, QDBus::Block, static_cast<int>(m_options.callTimeout.count()));
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_quietUntil.reset();
        return {true, reply.arguments().value(0)};
    }
    const QDBusError error{reply};
    if (!BusConnection::isUnreachable(error)) {
        return {true, {}};
    }
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
        error.type() == QDBusError::TimedOut) {
        m_quietUntil = now + m_options.quietPeriod;
    }
    if (!bus->isConnected()) {
        m_bus.reset();
    }
    return {};
}

std::optional<bool> RootDomainReaderLogind::readProcLidState() const
{
    const QDir lids{m_options.procRoot + QStringLiteral("/acpi/button/lid")};
    for (const auto& entry : lids.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile file{lids.filePath(entry + QStringLiteral("/state"))};
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const auto line = QString::fromLatin1(file.read(256)).simplified();
        if (line == QLatin1String("state: closed")) {
            return true;
        }
        if (line == QLatin1String("state: open")) {
            return false;
        }
    }
    return std::nullopt;
}

} // namespace hollerbox
