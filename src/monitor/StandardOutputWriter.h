#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace hollerbox {

/// Writes lines to a descriptor from a thread of its own, so that a reader that stops reading never blocks
/// the caller. At most `capacity` lines wait; further lines are dropped and counted, and the next line that
/// fits follows a line saying how many were dropped. Lines are written in order. Any thread.
class StandardOutputWriter
{
public:
    static constexpr std::size_t defaultCapacity = 256;
    static constexpr std::chrono::milliseconds stopLimit{100};

    /// Writes to a duplicate of `fd`; nothing is written when it cannot be duplicated.
    explicit StandardOutputWriter(int fd, std::size_t capacity = defaultCapacity);
    /// Waits at most `stopLimit` for the waiting lines; a thread still blocked then is left to end on its
    /// own.
    ~StandardOutputWriter();

    StandardOutputWriter(const StandardOutputWriter&) = delete;
    StandardOutputWriter& operator=(const StandardOutputWriter&) = delete;

    /// Queues `line` and a newline, or drops it when the queue is full; never blocks.
    void writeLine(std::string_view line);
    /// Waits at most `limit` until every queued line has been written; true when they have.
    bool flush(std::chrono::milliseconds limit);

    /// The line that reports `count` dropped lines.
    static std::string droppedLine(std::uint64_t count);

private:
    struct State;

    static void run(State& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace hollerbox
