#pragma once

#include "ScheduledTask.h"

#include <chrono>
#include <functional>
#include <memory>

namespace hollerbox {

/// The main thread's job queue: jobs posted or scheduled here run on the main thread, one at a time, in
/// order.
class MainQueue
{
public:
    using Job = std::function<void()>;

    virtual ~MainQueue() = default;

    /// Runs `job` on the main thread after the work running now; may be called from any thread.
    virtual void post(Job job) = 0;

    /// Runs `job` every `period` (at least 1 ms; periods beyond about 24 days are shortened to that), the
    /// first time one period from now, until the handle goes. Main thread only.
    virtual std::unique_ptr<ScheduledTask> scheduleRepeating(std::chrono::milliseconds period, Job job) = 0;

    /// Runs `job` once after `delay` unless the handle is cancelled or destroyed first. Main thread only.
    virtual std::unique_ptr<ScheduledTask> scheduleAfter(std::chrono::milliseconds delay, Job job) = 0;
};

} // namespace hollerbox
