#pragma once

#include "ports/BackgroundWorker.h"
#include "ports/MainQueue.h"

#include <deque>

namespace hollerbox::testing {

/// Holds background work until the test runs it; each job's completion is then posted to the main queue.
class FakeBackgroundWorker final : public BackgroundWorker
{
public:
    explicit FakeBackgroundWorker(MainQueue& mainQueue) : m_mainQueue(mainQueue) {}

    void run(std::function<void()> work, std::function<void()> completion) override
    {
        m_jobs.push_back({std::move(work), std::move(completion)});
    }

    /// Runs every waiting job (and those they add) in order; returns how many ran.
    int runAll()
    {
        int count = 0;
        while (!m_jobs.empty()) {
            auto job = std::move(m_jobs.front());
            m_jobs.pop_front();
            job.work();
            m_mainQueue.post(std::move(job.completion));
            ++count;
        }
        return count;
    }

    std::size_t waiting() const { return m_jobs.size(); }

private:
    struct Job
    {
        std::function<void()> work;
        std::function<void()> completion;
    };

    MainQueue& m_mainQueue;
    std::deque<Job> m_jobs;
};

} // namespace hollerbox::testing
