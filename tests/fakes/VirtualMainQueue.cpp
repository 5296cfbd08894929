#include "VirtualMainQueue.h"

#include <algorithm>

namespace hollerbox::testing {

class VirtualMainQueue::Handle final : public ScheduledTask
{
public:
    explicit Handle(std::shared_ptr<Task> task) : m_task(std::move(task)) {}
    ~Handle() override { cancel(); }
    void cancel() override { m_task->active = false; }

private:
    std::shared_ptr<Task> m_task;
};

void VirtualMainQueue::post(Job job)
{
    const std::lock_guard lock{m_postedMutex};
    m_posted.push_back(std::move(job));
}

std::unique_ptr<ScheduledTask> VirtualMainQueue::scheduleRepeating(std::chrono::milliseconds period, Job job)
{
    const auto effective = std::max(period, std::chrono::milliseconds{1});
    return schedule(effective, effective, std::move(job));
}

std::unique_ptr<ScheduledTask> VirtualMainQueue::scheduleAfter(std::chrono::milliseconds delay, Job job)
{
    return schedule(std::max(delay, std::chrono::milliseconds{0}), std::chrono::milliseconds{0},
                    std::move(job));
}

std::unique_ptr<ScheduledTask> VirtualMainQueue::schedule(std::chrono::milliseconds delay,
                                                          std::chrono::milliseconds period, Job job)
{
    auto task = std::make_shared<Task>();
    task->job = std::move(job);
    task->due = m_clock.now() + delay;
    task->period = period;
    task->order = m_nextOrder++;
    m_tasks.push_back(task);
    return std::make_unique<Handle>(task);
}

bool VirtualMainQueue::takePosted(Job& job)
{
    const std::lock_guard lock{m_postedMutex};
    if (m_posted.empty()) {
        return false;
    }
    job = std::move(m_posted.front());
    m_posted.pop_front();
    return true;
}

void VirtualMainQueue::runPending()
{
    Job job;
    while (takePosted(job)) {
        job();
    }
}

void VirtualMainQueue::advanceBy(std::chrono::microseconds duration)
{
    const WallTime target = m_clock.now() + duration;
    for (;;) {
        runPending();
        std::erase_if(m_tasks, [](const auto& task) { return !task->active; });
        const auto next = std::min_element(m_tasks.begin(), m_tasks.end(), [](const auto& a, const auto& b) {
            return a->due != b->due ? a->due < b->due : a->order < b->order;
        });
        if (next == m_tasks.end() || (*next)->due > target) {
            break;
        }
        const auto task = *next;
        m_clock.set(std::max(m_clock.now(), task->due));
        if (task->period.count() > 0) {
            task->due += task->period;
            task->order = m_nextOrder++;
        } else {
            task->active = false;
        }
        const auto job = task->job;
        job();
    }
    m_clock.set(std::max(m_clock.now(), target));
    runPending();
}

std::size_t VirtualMainQueue::activeTaskCount() const
{
    return static_cast<std::size_t>(
        std::count_if(m_tasks.begin(), m_tasks.end(), [](const auto& task) { return task->active; }));
}

} // namespace hollerbox::testing
