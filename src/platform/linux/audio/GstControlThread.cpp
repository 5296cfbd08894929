#include "GstControlThread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace hollerbox {

struct GstControlThread::State
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    bool finished = false;
};

GstControlThread::GstControlThread()
    : m_state(std::make_shared<State>()), m_thread([state = m_state] { run(*state); })
{}

GstControlThread::~GstControlThread()
{
    shutdown();
}

bool GstControlThread::shutdown(std::chrono::milliseconds limit)
{
    std::unique_lock lock{m_state->mutex};
    m_state->stopping = true;
    m_state->wake.notify_all();
    if (!m_thread.joinable()) {
        return m_state->finished;
    }
    const bool finished = m_thread.get_id() != std::this_thread::get_id() &&
                          m_state->ended.wait_for(lock, limit, [this] { return m_state->finished; });
    lock.unlock();
    if (finished) {
        m_thread.join();
    } else {
        m_thread.detach();
    }
    return finished;
}

bool GstControlThread::post(std::function<void()> job)
{
    {
        const std::lock_guard lock{m_state->mutex};
        if (m_state->stopping) {
            return false;
        }
        m_state->jobs.push_back(std::move(job));
    }
    m_state->wake.notify_all();
    return true;
}

void GstControlThread::run(State& state)
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock{state.mutex};
            state.wake.wait(lock, [&state] { return state.stopping || !state.jobs.empty(); });
            if (state.jobs.empty()) {
                state.finished = true;
                state.ended.notify_all();
                return;
            }
            job = std::move(state.jobs.front());
            state.jobs.pop_front();
        }
        job();
    }
}

} // namespace hollerbox
