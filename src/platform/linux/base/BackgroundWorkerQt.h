#pragma once

#include "ports/BackgroundWorker.h"
#include "ports/MainQueue.h"

#include <QThreadPool>

namespace hollerbox {

/// Runs work on a private thread pool and posts completions to the main queue; waits for running work on
/// destruction.
class BackgroundWorkerQt final : public BackgroundWorker
{
public:
    explicit BackgroundWorkerQt(MainQueue& mainQueue);
    ~BackgroundWorkerQt() override;

    void run(std::function<void()> work, std::function<void()> completion) override;

private:
    MainQueue& m_mainQueue;
    QThreadPool m_pool;
};

} // namespace hollerbox
