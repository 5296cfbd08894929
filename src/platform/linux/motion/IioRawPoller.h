#pragma once

#include "ports/MainQueue.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hollerbox {

/// Reads an IIO accelerometer's raw x, y and z attributes at a fixed rate on a thread of its own, reopening
/// each file for every read, and hands each complete reading to the main queue. A read that blocks in the
/// driver holds up only that thread: stopping never waits for it.
class IioRawPoller
{
public:
    using Reading = std::array<std::int64_t, 3>;
    /// Receives each reading on the main thread.
    using ReadingHandler = std::function<void(const Reading& raw)>;
    /// Receives, on the main thread, why reading stopped working (once until readings come back).
    using FailureHandler = std::function<void(const std::string& problem)>;

    static constexpr std::chrono::milliseconds defaultPeriod{20};
    /// The period once reads keep failing, so that a vanished device costs next to nothing.
    static constexpr std::chrono::milliseconds failingPeriod{1000};

    /// Starts polling `paths` (x, y, z). `mainQueue` must outlive the poller.
    IioRawPoller(MainQueue& mainQueue, std::array<std::string, 3> paths, ReadingHandler onReading,
                 FailureHandler onFailure, std::chrono::milliseconds period = defaultPeriod);
    /// Stops polling; returns at once even when a read is blocked. No handler runs afterwards.
    ~IioRawPoller();

    IioRawPoller(const IioRawPoller&) = delete;
    IioRawPoller& operator=(const IioRawPoller&) = delete;

private:
    struct Handlers;
    struct Shared;

    std::shared_ptr<Handlers> m_handlers;
    std::shared_ptr<Shared> m_shared;
};

} // namespace hollerbox
