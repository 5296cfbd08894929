#include "ServerEventLog.h"

namespace hollerbox::testing {

ServerEventLog::ServerEventLog(std::string serverAddress) : m_serverAddress(std::move(serverAddress)) {}

ServerEventLog::~ServerEventLog()
{
    stop();
}

bool ServerEventLog::start()
{
    return m_pactl.start(
        {"pactl", "--server=" + m_serverAddress, "subscribe"},
        [this, pending = std::string{}](std::string_view bytes, TimePoint arrivedAt) mutable {
            pending.append(bytes);
            for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
                const std::lock_guard lock{m_mutex};
                m_events.push_back({arrivedAt, pending.substr(0, end)});
                pending.erase(0, end + 1);
            }
        });
}

void ServerEventLog::stop()
{
    m_pactl.stop();
}

std::vector<ServerEventLog::Event> ServerEventLog::eventsSince(TimePoint since, const std::string& text) const
{
    const std::lock_guard lock{m_mutex};
    std::vector<Event> found;
    for (const auto& event : m_events) {
        if (event.arrivedAt >= since && event.line.find(text) != std::string::npos) {
            found.push_back(event);
        }
    }
    return found;
}

} // namespace hollerbox::testing
