#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace hollerbox {

/// One thread that runs jobs in the order they were posted. Posting is safe from any thread. Shutting down
/// refuses later posts and waits, for a bounded time only, while the thread runs the jobs still waiting;
/// a thread still busy then (a job stuck on a hung sound server) is left to finish them and end on its
/// own, with everything it uses shared with it.
class GstControlThread
{
public:
    static constexpr std::chrono::milliseconds defaultShutdownLimit{250};

    GstControlThread();
    /// Shuts down with the default limit.
    ~GstControlThread();

    GstControlThread(const GstControlThread&) = delete;
    GstControlThread& operator=(const GstControlThread&) = delete;

    /// Queues `job`; false when the thread has shut down.
    bool post(std::function<void()> job);
    /// Refuses later posts and waits at most `limit` for the waiting jobs; true when the thread has ended.
    /// From a job it waits for nothing.
    bool shutdown(std::chrono::milliseconds limit = defaultShutdownLimit);

private:
    struct State;

    static void run(State& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace hollerbox
