#pragma once

#include <functional>

namespace hollerbox {

/// Runs blocking work off the main thread and hands control back to the main queue when it ends.
class BackgroundWorker
{
public:
    virtual ~BackgroundWorker() = default;

    /// Runs `work` on a worker thread, then `completion` on the main thread. Main thread only.
    virtual void run(std::function<void()> work, std::function<void()> completion) = 0;
};

} // namespace hollerbox
