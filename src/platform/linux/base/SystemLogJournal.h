#pragma once

#include "linux/support/FileDescriptor.h"
#include "ports/SystemLog.h"

#include <string>

namespace hollerbox {

/// Writes entries to the systemd journal over its native datagram protocol. Where no journal listens,
/// entries are dropped silently; a journal that stalls never blocks the caller.
class SystemLogJournal final : public SystemLog
{
public:
    static constexpr const char* defaultSocketPath = "/run/systemd/journal/socket";

    /// `identifier` becomes SYSLOG_IDENTIFIER, `subsystem` the HOLLERBOX_SUBSYSTEM field.
    SystemLogJournal(std::string identifier, std::string subsystem,
                     std::string socketPath = defaultSocketPath);

    void info(std::string_view category, std::string_view message) override;

private:
    std::string m_identifier;
    std::string m_subsystem;
    std::string m_socketPath;
    FileDescriptor m_socket;
};

} // namespace hollerbox
