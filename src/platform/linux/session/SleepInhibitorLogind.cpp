#include "SleepInhibitorLogind.h"

#include "LogindNames.h"
#include "linux/support/FileDescriptor.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <fcntl.h>

namespace hollerbox {

namespace {

class InhibitionDescriptor final : public SleepInhibitor::Inhibition
{
public:
    explicit InhibitionDescriptor(FileDescriptor descriptor) : m_descriptor(std::move(descriptor)) {}

private:
    FileDescriptor m_descriptor;
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
    auto message = QDBusMessage::createMethodCall(logind::service, logind::managerPath,
                                                  logind::managerInterface, QStringLiteral("Inhibit"));
    message << m_what << QStringLiteral("Hollerbox") << QString::fromStdString(name)
            << QStringLiteral("block");
    const auto reply = bus->call(message, QDBus::Block, static_cast<int>(m_callTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const QDBusError error{reply};
        if (!bus->isConnected()) {
            m_bus.reset();
        }
        return {BusConnection::isUnreachable(error) ? logindUnavailable : refused, nullptr};
    }
    const auto descriptor = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (!descriptor.isValid()) {
        return {invalidAnswer, nullptr};
    }
    FileDescriptor owned{::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0)};
    if (!owned.isValid()) {
        return {invalidAnswer, nullptr};
    }
    return {0, std::make_unique<InhibitionDescriptor>(std::move(owned))};
}

} // namespace hollerbox
