#pragma once

namespace hollerbox {

/// Handle of a timer or delayed job on the main queue; destroying it cancels the job.
class ScheduledTask
{
public:
    virtual ~ScheduledTask() = default;
    ScheduledTask() = default;
    ScheduledTask(const ScheduledTask&) = delete;
    ScheduledTask& operator=(const ScheduledTask&) = delete;

    /// Stops future firings; a job that is cancelled from inside its own firing does not fire again.
    virtual void cancel() = 0;
};

} // namespace hollerbox
