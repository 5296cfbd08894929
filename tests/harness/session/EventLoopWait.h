#pragma once

#include "WaitFor.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>

namespace hollerbox::testing {

/// Runs the Qt event loop of this thread until `condition` holds or `limit` passes; returns whether it held.
inline bool waitWhileProcessingEvents(const std::function<bool()>& condition,
                                      std::chrono::milliseconds limit = std::chrono::seconds{5})
{
    return waitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            return condition();
        },
        limit, std::chrono::milliseconds{1});
}

/// Runs the event loop for `duration`, for checks that something did not happen.
inline void processEventsFor(std::chrono::milliseconds duration)
{
    waitWhileProcessingEvents([] { return false; }, duration);
}

} // namespace hollerbox::testing
