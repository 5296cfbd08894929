#include "SystemLogJournal.h"

#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace hollerbox {

namespace {

// Journal native protocol: KEY=value lines; a value holding a newline is sent as KEY, newline,
// its length as 64-bit little endian, the bytes and a newline.
void appendField(std::string& datagram, std::string_view key, std::string_view value)
{
    datagram += key;
    if (value.find('\n') == std::string_view::npos) {
        datagram += '=';
        datagram += value;
    } else {
        datagram += '\n';
        auto length = static_cast<std::uint64_t>(value.size());
        for (int byte = 0; byte < 8; ++byte) {
            datagram += static_cast<char>(length & 0xFFU);
            length >>= 8U;
        }
        datagram += value;
    }
    datagram += '\n';
}

} // namespace

SystemLogJournal::SystemLogJournal(std::string identifier, std::string subsystem, std::string socketPath)
    : m_identifier(std::move(identifier)), m_subsystem(std::move(subsystem)),
      m_socketPath(std::move(socketPath)),
      m_socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
{}

void SystemLogJournal::info(std::string_view category, std::string_view message)
{
    sockaddr_un address{};
    if (!m_socket.isValid() || m_socketPath.size() >= sizeof(address.sun_path)) {
        return;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_socketPath.data(), m_socketPath.size());

    std::string datagram;
    appendField(datagram, "PRIORITY", "6");
    appendField(datagram, "SYSLOG_IDENTIFIER", m_identifier);
    appendField(datagram, "HOLLERBOX_SUBSYSTEM", m_subsystem);
    appendField(datagram, "HOLLERBOX_CATEGORY", category);
    appendField(datagram, "MESSAGE", message);
    // A missing, full or stalled journal loses the entry; logging never fails the caller.
    [[maybe_unused]] const auto sent =
        ::sendto(m_socket.get(), datagram.data(), datagram.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

} // namespace hollerbox
