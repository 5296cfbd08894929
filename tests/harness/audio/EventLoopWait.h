#pragma once

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace hollerbox::testing {

/// Runs the Qt event loop of this thread until `condition` holds (checked every few milliseconds) or `limit`
/// passes; returns whether it held.
inline bool waitProcessingEvents(const std::function<bool()>& condition, std::chrono::milliseconds limit,
                                 std::chrono::milliseconds pollInterval = std::chrono::milliseconds{2})
{
    if (condition()) {
        return true;
    }
    QEventLoop loop;
    bool held = false;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            held = true;
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(pollInterval);
    deadline.start(limit);
    loop.exec();
    return held || condition();
}

/// Runs the Qt event loop of this thread for `duration`.
inline void processEventsFor(std::chrono::milliseconds duration)
{
    waitProcessingEvents([] { return false; }, duration, duration);
}

} // namespace hollerbox::testing
