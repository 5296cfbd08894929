#include "BackgroundWorkerQt.h"

namespace hollerbox {

BackgroundWorkerQt::BackgroundWorkerQt(MainQueue& mainQueue) : m_mainQueue(mainQueue)
{
    m_pool.setMaxThreadCount(2);
}

BackgroundWorkerQt::~BackgroundWorkerQt()
{
    m_pool.waitForDone();
}

void BackgroundWorkerQt::run(std::function<void()> work, std::function<void()> completion)
{
    m_pool.start([this, work = std::move(work), completion = std::move(completion)]() mutable {
        work();
        m_mainQueue.post(std::move(completion));
    });
}

} // namespace hollerbox
