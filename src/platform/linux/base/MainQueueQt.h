#pragma once

#include "ports/MainQueue.h"

#include <QObject>
#include <QPointer>

namespace hollerbox {

/// The main queue on the Qt event loop of the thread that creates it (precise timers, queued invocations).
/// Must outlive every component that posts to it.
class MainQueueQt final : public MainQueue
{
public:
    MainQueueQt();
    ~MainQueueQt() override;

    MainQueueQt(const MainQueueQt&) = delete;
    MainQueueQt& operator=(const MainQueueQt&) = delete;

    void post(Job job) override;
    std::unique_ptr<ScheduledTask> scheduleRepeating(std::chrono::milliseconds period, Job job) override;
    std::unique_ptr<ScheduledTask> scheduleAfter(std::chrono::milliseconds delay, Job job) override;

private:
    QObject* m_context = new QObject;
};

} // namespace hollerbox
