#pragma once

#include "WaitFor.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>

namespace hollerbox::testing {

/// Runs the Qt event loop of this thread until `condition` holds (pending events are handled before each
/// check) or `limit` passes; returns whether it held.
inline bool waitProcessingEvents(const std::function<bool()>& condition,
                                 std::chrono::milliseconds limit = std::chrono::seconds{5},
                                 std::chrono::milliseconds pollInterval = std::chrono::milliseconds{1})
{
    return waitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            return condition();
        },
        limit, pollInterval);
}

/// Runs the Qt event loop of this thread for `duration`, for checks that something did not happen.
inline void processEventsFor(std::chrono::milliseconds duration)
{
    waitProcessingEvents([] { return false; }, duration);
}

} // namespace hollerbox::testing
