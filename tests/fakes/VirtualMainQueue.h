#pragma once

#include "VirtualClock.h"
#include "ports/MainQueue.h"

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace hollerbox::testing {

/// A main queue in virtual time: advancing it moves the clock to each due job in turn and runs it.
/// Posting is safe from any thread; everything else belongs to the test's thread.
class VirtualMainQueue final : public MainQueue
{
public:
    explicit VirtualMainQueue(VirtualClock& clock) : m_clock(clock) {}

    void post(Job job) override;
    std::unique_ptr<ScheduledTask> scheduleRepeating(std::chrono::milliseconds period, Job job) override;
    std::unique_ptr<ScheduledTask> scheduleAfter(std::chrono::milliseconds delay, Job job) override;

    /// Runs the posted jobs, including those they post, without moving the clock.
    void runPending();
    /// Runs every job due up to now + `duration`, then leaves the clock there.
    void advanceBy(std::chrono::microseconds duration);
    /// Number of timers and delayed jobs that may still fire.
    std::size_t activeTaskCount() const;

private:
    struct Task
    {
        Job job;
        WallTime due;
        std::chrono::milliseconds period{0};
        std::uint64_t order = 0;
        bool active = true;
    };
    class Handle;

    std::unique_ptr<ScheduledTask> schedule(std::chrono::milliseconds delay, std::chrono::milliseconds period,
                                            Job job);
    bool takePosted(Job& job);

    VirtualClock& m_clock;
    std::vector<std::shared_ptr<Task>> m_tasks;
    std::uint64_t m_nextOrder = 0;
    mutable std::mutex m_postedMutex;
    std::deque<Job> m_posted;
};

} // namespace hollerbox::testing
