#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace hollerbox {

/// One thread that runs jobs in the order they were posted. `shutdown` (or destruction) runs the jobs still
/// waiting, then joins; later posts are refused. Posting is safe from any thread.
class GstControlThread
{
public:
    GstControlThread();
    ~GstControlThread();

    GstControlThread(const GstControlThread&) = delete;
    GstControlThread& operator=(const GstControlThread&) = delete;

    /// Queues `job`; false when the thread has shut down.
    bool post(std::function<void()> job);
    /// Runs the waiting jobs and stops the thread. Never from a job.
    void shutdown();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace hollerbox
