#include "MainQueueQt.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace hollerbox {

namespace {

class TimerTask final : public ScheduledTask
{
public:
    TimerTask(std::chrono::milliseconds interval, bool singleShot, MainQueue::Job job)
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        m_timer->setSingleShot(singleShot);
        // Qt keeps intervals in an int: longer ones would wrap to a negative or a zero period.
        const auto longest = std::chrono::milliseconds{std::numeric_limits<int>::max()};
        m_timer->setInterval(std::clamp(interval, std::chrono::milliseconds{singleShot ? 0 : 1}, longest));
        QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(job));
        m_timer->start();
    }

    ~TimerTask() override { delete m_timer; }

    void cancel() override { m_timer->stop(); }

private:
    QTimer* m_timer = new QTimer;
};

} // namespace

MainQueueQt::MainQueueQt() = default;

MainQueueQt::~MainQueueQt()
{
    delete m_context;
}

void MainQueueQt::post(Job job)
{
    QMetaObject::invokeMethod(m_context, std::move(job), Qt::QueuedConnection);
}

std::unique_ptr<ScheduledTask> MainQueueQt::scheduleRepeating(std::chrono::milliseconds period, Job job)
{
    return std::make_unique<TimerTask>(period, false, std::move(job));
}

std::unique_ptr<ScheduledTask> MainQueueQt::scheduleAfter(std::chrono::milliseconds delay, Job job)
{
    return std::make_unique<TimerTask>(delay, true, std::move(job));
}

} // namespace hollerbox
