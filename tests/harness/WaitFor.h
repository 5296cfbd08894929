#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace hollerbox::testing {

/// Polls `condition` every few milliseconds until it holds or `limit` passes; returns whether it held.
inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit,
                    std::chrono::milliseconds pollInterval = std::chrono::milliseconds{5})
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

} // namespace hollerbox::testing
