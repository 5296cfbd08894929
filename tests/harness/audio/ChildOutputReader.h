#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hollerbox::testing {

/// A child program whose standard output is handed, as it arrives, to a callback on a reader thread of its
/// own. Stopping (or destruction) terminates the child and waits for the reader.
class ChildOutputReader
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Receiver = std::function<void(std::string_view bytes, TimePoint arrivedAt)>;

    ChildOutputReader() = default;
    ~ChildOutputReader() { stop(); }

    ChildOutputReader(const ChildOutputReader&) = delete;
    ChildOutputReader& operator=(const ChildOutputReader&) = delete;

    /// Starts `arguments` (the program first, found on PATH); false when it could not be started.
    bool start(std::vector<std::string> arguments, Receiver receiver);
    void stop();

private:
    void readLoop(int fd);

    Receiver m_receiver;
    pid_t m_child = -1;
    std::thread m_reader;
};

} // namespace hollerbox::testing
