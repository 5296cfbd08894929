#pragma once

#include "ChildOutputReader.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hollerbox::testing {

/// The sound server's change events as `pactl subscribe` prints them, each with the time it arrived.
class ServerEventLog
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    struct Event
    {
        TimePoint arrivedAt;
        std::string line;
    };

    explicit ServerEventLog(std::string serverAddress);
    ~ServerEventLog();

    ServerEventLog(const ServerEventLog&) = delete;
    ServerEventLog& operator=(const ServerEventLog&) = delete;

    /// Starts listening; false when `pactl` could not be started.
    bool start();
    void stop();

    /// The events that arrived at or after `since` and contain `text`, oldest first.
    std::vector<Event> eventsSince(TimePoint since, const std::string& text) const;

private:
    std::string m_serverAddress;
    ChildOutputReader m_pactl;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

} // namespace hollerbox::testing
