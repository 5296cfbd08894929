#pragma once

#include "CallLog.h"
#include "VirtualClock.h"
#include "engine/MovementMonitoring.h"

#include <deque>
#include <vector>

namespace hollerbox::testing {

/// A movement monitor with scripted answers; `prepare` may take virtual time.
class FakeMovementMonitor final : public MovementMonitoring
{
public:
    /// `clock`, when given, is advanced by `prepareDuration` inside `prepare`.
    explicit FakeMovementMonitor(std::shared_ptr<CallLog> log, VirtualClock* clock = nullptr)
        : m_log(std::move(log)), m_clock(clock)
    {}

    void setDiagnosticHandler(DiagnosticHandler handler) override { m_handler = std::move(handler); }
    bool prepare() override
    {
        m_log->add("monitor.prepare");
        if (m_clock != nullptr) {
            m_clock->advance(prepareDuration);
        }
        return prepareResult;
    }
    MovementMonitorArmResult arm(double thresholdG) override
    {
        m_log->add("monitor.arm");
        armedThresholds.push_back(thresholdG);
        return armResult;
    }
    std::optional<MovementDetectionEvent> detectMovement() override
    {
        ++detectCount;
        if (pendingEvents.empty()) {
            return std::nullopt;
        }
        auto event = pendingEvents.front();
        pendingEvents.pop_front();
        return event;
    }
    std::vector<MovementMonitorLiveValue> liveValues() override { return values; }
    void disarm() override { m_log->add("monitor.disarm"); }
    void releaseResources() override { m_log->add("monitor.release"); }

    void report(const std::string& message) const
    {
        if (m_handler) {
            m_handler(message);
        }
    }
    bool hasDiagnosticHandler() const { return static_cast<bool>(m_handler); }

    bool prepareResult = true;
    std::chrono::microseconds prepareDuration{0};
    MovementMonitorArmResult armResult{true, "Monitoring accelerometer."};
    std::deque<MovementDetectionEvent> pendingEvents;
    std::vector<MovementMonitorLiveValue> values;
    std::vector<double> armedThresholds;
    int detectCount = 0;

private:
    std::shared_ptr<CallLog> m_log;
    VirtualClock* m_clock = nullptr;
    DiagnosticHandler m_handler;
};

} // namespace hollerbox::testing
