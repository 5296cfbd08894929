#include "GstControlThread.h"

namespace hollerbox {

GstControlThread::GstControlThread() : m_thread([this] { run(); }) {}

GstControlThread::~GstControlThread()
{
    shutdown();
}

void GstControlThread::shutdown()
{
    {
        const std::lock_guard lock{m_mutex};
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

bool GstControlThread::post(std::function<void()> job)
{
    {
        const std::lock_guard lock{m_mutex};
        if (m_stopping) {
            return false;
        }
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
    return true;
}

void GstControlThread::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock{m_mutex};
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

} // namespace hollerbox
