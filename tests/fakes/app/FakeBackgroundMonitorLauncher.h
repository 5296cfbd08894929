#pragma once

#include "model/launch/BackgroundMonitorLaunching.h"

#include <string>
#include <vector>

namespace hollerbox::testing {

/// A launcher that records its calls; a start succeeds while `startSucceeds` is true, and a monitor "runs"
/// from a successful start until a stop.
class FakeBackgroundMonitorLauncher final : public BackgroundMonitorLaunching
{
public:
    struct Start
    {
        double armDelaySeconds = 0;
        double movementThresholdG = 0;
        double alarmVolumeScalar = 0;
        double alarmRepeatSeconds = 0;
        AlarmSoundSelection alarmSoundSelection = AlarmSoundSelection::defaultSelection();
        friend bool operator==(const Start&, const Start&) = default;
    };

    bool start(double armDelaySeconds, double movementThresholdG, double alarmVolumeScalar,
               double alarmRepeatSeconds, const AlarmSoundSelection& alarmSoundSelection) override
    {
        starts.push_back({armDelaySeconds, movementThresholdG, alarmVolumeScalar, alarmRepeatSeconds,
                          alarmSoundSelection});
        if (running) {
            return true;
        }
        if (!startSucceeds) {
            report("Background monitoring is unavailable in this build.");
            return false;
        }
        running = true;
        ++launches;
        report("Background monitoring started.");
        return true;
    }

    void stop(const std::string& reason) override
    {
        stops.push_back(reason);
        if (running) {
            report("Stopping background monitor: " + reason);
            running = false;
        }
    }

    void setDiagnosticHandler(DiagnosticHandler handler) override { m_handler = std::move(handler); }
    QString latestLogPointerPath() const override { return logPointerPath; }

    bool adoptRunningMonitor() override
    {
        ++adoptions;
        running = running || leftRunning;
        return running;
    }

    bool startSucceeds = true;
    QString logPointerPath;
    bool leftRunning = false;
    bool running = false;
    int launches = 0;
    int adoptions = 0;
    std::vector<Start> starts;
    std::vector<std::string> stops;

private:
    void report(const std::string& message) const
    {
        if (m_handler) {
            m_handler(message);
        }
    }

    DiagnosticHandler m_handler;
};

} // namespace hollerbox::testing
