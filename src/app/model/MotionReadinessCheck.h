#pragma once

#include "engine/OpenLidAlarmController.h"
#include "ports/MainQueue.h"

#include <chrono>
#include <functional>
#include <memory>

namespace hollerbox {

/// One run of the motion sensor check: prepares the movement test, waits for the sensor's first reading and
/// starts the test. A cancelled run discards its preparation at once and never reports. Main thread only; the
/// controller and the queue must outlive the run.
class MotionReadinessCheck
{
public:
    /// What a run does once the sensor answers.
    enum class Mode
    {
        /// Starts the live movement test, in which a lift sounds the alarm once.
        startTest,
        /// Only confirms the sensor, then gives its preparation back.
        confirmOnly
    };

    enum class Outcome
    {
        /// The sensor delivered readings (and, in `startTest` mode, the movement test runs).
        sensorReady,
        /// The sensor could not be prepared, gave no reading in time, or the test did not start.
        unavailable
    };
    using Completion = std::function<void(Outcome outcome)>;

    /// Starts the run as a job on `mainQueue`; readiness is checked every `pollInterval` until `timeout` has
    /// passed, counted in polls, so a wall clock that jumps cannot shorten or stretch it.
    MotionReadinessCheck(OpenLidAlarmController& controller, MainQueue& mainQueue, Mode mode,
                         std::chrono::milliseconds timeout, std::chrono::milliseconds pollInterval,
                         Completion completion);
    ~MotionReadinessCheck();

    MotionReadinessCheck(const MotionReadinessCheck&) = delete;
    MotionReadinessCheck& operator=(const MotionReadinessCheck&) = delete;

    /// Ends a run that has not finished; its preparation, if any, is discarded now.
    void cancel();
    bool isRunning() const { return m_running; }

private:
    void begin();
    void poll();
    void finish(Outcome outcome);
    void retireNext();

    OpenLidAlarmController& m_controller;
    MainQueue& m_mainQueue;
    Mode m_mode = Mode::startTest;
    std::chrono::milliseconds m_timeout{3000};
    std::chrono::milliseconds m_pollInterval{50};
    Completion m_completion;
    bool m_running = true;
    bool m_prepared = false;
    std::chrono::milliseconds m_elapsed{0};
    std::unique_ptr<ScheduledTask> m_next;
    std::shared_ptr<MotionReadinessCheck*> m_anchor = std::make_shared<MotionReadinessCheck*>(this);
};

} // namespace hollerbox
