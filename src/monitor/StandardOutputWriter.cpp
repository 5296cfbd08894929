#include "StandardOutputWriter.h"

#include "linux/support/FileDescriptor.h"
#include "linux/support/WriteAll.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace hollerbox {

struct StandardOutputWriter::State
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::string> lines;
    std::size_t capacity = defaultCapacity;
    std::uint64_t dropped = 0;
    bool writing = false;
    bool stopping = false;
    bool finished = false;
    FileDescriptor output;
};

StandardOutputWriter::StandardOutputWriter(int fd, std::size_t capacity) : m_state(std::make_shared<State>())
{
    m_state->capacity = capacity > 0 ? capacity : 1;
    m_state->output.reset(fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 3) : -1);
    m_thread = std::thread{[state = m_state] { run(*state); }};
}

StandardOutputWriter::~StandardOutputWriter()
{
    std::unique_lock lock{m_state->mutex};
    m_state->stopping = true;
    m_state->wake.notify_all();
    const bool finished = m_state->idle.wait_for(lock, stopLimit, [this] { return m_state->finished; });
    lock.unlock();
    if (finished) {
        m_thread.join();
    } else {
        m_thread.detach();
    }
}

void StandardOutputWriter::writeLine(std::string_view line)
{
    {
        const std::lock_guard lock{m_state->mutex};
        auto& state = *m_state;
        const std::size_t needed = state.dropped > 0 ? 2 : 1;
        if (state.lines.size() + needed > state.capacity) {
            ++state.dropped;
            return;
        }
        if (state.dropped > 0) {
            state.lines.push_back(droppedLine(state.dropped) + '\n');
            state.dropped = 0;
        }
        std::string text{line};
        text += '\n';
        state.lines.push_back(std::move(text));
    }
    m_state->wake.notify_all();
}

bool StandardOutputWriter::flush(std::chrono::milliseconds limit)
{
    std::unique_lock lock{m_state->mutex};
    return m_state->idle.wait_for(lock, limit,
                                  [this] { return m_state->lines.empty() && !m_state->writing; });
}

std::string StandardOutputWriter::droppedLine(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " line was" : " lines were") +
           " dropped here because standard output was not read in time; the log file has them all.";
}

void StandardOutputWriter::run(State& state)
{
    std::unique_lock lock{state.mutex};
    for (;;) {
        state.wake.wait(lock, [&state] { return state.stopping || !state.lines.empty(); });
        if (state.lines.empty()) {
            state.finished = true;
            state.idle.notify_all();
            return;
        }
        const std::string line = std::move(state.lines.front());
        state.lines.pop_front();
        state.writing = true;
        lock.unlock();
        writeAll(state.output.get(), line);
        lock.lock();
        state.writing = false;
        if (state.lines.empty()) {
            state.idle.notify_all();
        }
    }
}

} // namespace hollerbox
