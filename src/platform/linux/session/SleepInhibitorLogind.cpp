#include "SleepInhibitorLogind.h"

#include "LogindNames.h"
#include "linux/support/FileDescriptor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <fcntl.h>

namespace hollerbox {

namespace {

constexpr int kRenewalTimeoutMs = 5000;

QDBusMessage inhibitCall(const QString& what, const QString& name)
{
    auto message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                  logind::managerInterface, QStringLiteral("Inhibit"));
    message << what << QStringLiteral("Hollerbox") << name << QStringLiteral("block");
    return message;
}

/// A private copy of the descriptor in a successful reply; invalid otherwise.
FileDescriptor descriptorOf(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return FileDescriptor{};
    }
    const auto descriptor = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    return FileDescriptor{descriptor.isValid() ? ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0)
                                               : -1};
}

/// The descriptor of one inhibition. When logind comes back after a restart, the inhibition is asked for
/// again and the new descriptor replaces the old one (a logind that kept the old inhibition ends it then).
class InhibitionDescriptor final : public QObject, public SleepInhibitor::Inhibition
{
public:
    InhibitionDescriptor(FileDescriptor descriptor, QDBusConnection bus, QDBusMessage request)
        : m_descriptor(std::move(descriptor)), m_bus(std::move(bus)), m_request(std::move(request)),
          m_watcher(logind::service, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
    {
        connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& newOwner) {
                    if (!newOwner.isEmpty()) {
                        renew();
                    }
                });
    }

private:
    void renew()
    {
        auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(m_request, kRenewalTimeoutMs), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] {
            call->deleteLater();
            if (auto renewed = descriptorOf(call->reply()); renewed.isValid()) {
                m_descriptor = std::move(renewed);
            }
        });
    }

    FileDescriptor m_descriptor;
    QDBusConnection m_bus;
    QDBusMessage m_request;
    QDBusServiceWatcher m_watcher;
};

} // namespace

SleepInhibitorLogind::SleepInhibitorLogind(std::chrono::milliseconds callTimeout)
    : SleepInhibitorLogind(logind::idleSleepLocks, callTimeout)
{}

SleepInhibitorLogind::SleepInhibitorLogind(QString what, std::chrono::milliseconds callTimeout)
    : m_what(std::move(what)), m_callTimeout(callTimeout)
{}

SleepInhibitor::Result SleepInhibitorLogind::inhibit(const std::string& name)
{
    auto bus = m_bus.connection();
    if (!bus) {
        return {busUnavailable, nullptr};
    }
    const auto message = inhibitCall(m_what, QString::fromStdString(name));
    const auto reply = bus->call(message, QDBus::Block, static_cast<int>(m_callTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const QDBusError error{reply};
        if (!bus->isConnected()) {
            m_bus.reset();
        }
        return {BusConnection::isUnreachable(error) ? logindUnavailable : refused, nullptr};
    }
    auto owned = descriptorOf(reply);
    if (!owned.isValid()) {
        return {invalidAnswer, nullptr};
    }
    return {0, std::make_unique<InhibitionDescriptor>(std::move(owned), *bus, message)};
}

} // namespace hollerbox
