#pragma once

#include "SPUDecodedAxes.h"
#include "engine/DiagnosticHandler.h"
#include "engine/MovementDetectionEvent.h"
#include "engine/MovementMonitorArmResult.h"
#include "engine/MovementMonitorLiveValue.h"
#include "ports/Clock.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The accelerometer's recent history and the movement decision over it: a baseline taken when armed,
/// a smoothed reading compared with it on every poll, confirmed after it stays at or above the threshold.
/// Fed with samples from any source; main thread only.
class MovementDetector
{
public:
    struct TimedSample
    {
        WallTime timestamp;
        SPUDecodedAxes axes;
    };

    struct PendingCandidate
    {
        WallTime startedAt;
        double peakDeltaG = 0;
    };

    static constexpr double historySeconds = 2.0;
    static constexpr double minimumThresholdG = 0.01;

    explicit MovementDetector(const Clock& clock) : m_clock(clock) {}

    /// Adds one sample, stamped with the current time, and drops those more than 2.0 s older. Allocates
    /// nothing once the history has reached its usual length.
    void record(const SPUDecodedAxes& axes);

    /// Takes the baseline and the threshold (at least 0.01 g); `product` and `source` name the sensor.
    MovementMonitorArmResult arm(double thresholdG, std::string_view product, std::string_view source,
                                 const DiagnosticHandler& diagnostics);
    /// One poll: an event when it confirms a movement.
    std::optional<MovementDetectionEvent> detect(std::string_view product,
                                                 const DiagnosticHandler& diagnostics);
    /// The latest raw axes and the delta of the latest poll; empty before any sample.
    std::vector<MovementMonitorLiveValue> liveValues() const;
    /// Forgets the baseline and any candidate; the history keeps filling.
    void disarm();
    /// Forgets everything measured and decided.
    void clear();

    /// The per-axis mean of the samples at most `windowSeconds` old, rounded half away from zero.
    std::optional<SPUDecodedAxes> averagedAxes(double windowSeconds) const;
    /// The Euclidean distance in g between two readings.
    static double deltaMagnitudeG(const SPUDecodedAxes& current, const SPUDecodedAxes& baseline);

    double baselineWindowSeconds = 0.35;
    double currentWindowSeconds = 0.3;
    double confirmationWindowSeconds = 0.2;

    /// The history, oldest first.
    std::span<const TimedSample> recentSamples() const
    {
        return std::span<const TimedSample>{m_samples}.subspan(m_firstSample);
    }
    const std::optional<SPUDecodedAxes>& baselineAxes() const { return m_baselineAxes; }
    const std::optional<SPUDecodedAxes>& latestAxes() const { return m_latestAxes; }
    double lastObservedDeltaG() const { return m_lastObservedDeltaG; }
    double thresholdG() const { return m_thresholdG; }
    const std::optional<PendingCandidate>& pendingCandidate() const { return m_pendingCandidate; }

private:
    const Clock& m_clock;
    /// The history from `m_firstSample` on, in time order; the samples before it are dropped ones, removed
    /// in bulk once they outnumber the kept ones.
    std::vector<TimedSample> m_samples;
    std::size_t m_firstSample = 0;
    std::optional<SPUDecodedAxes> m_baselineAxes;
    std::optional<SPUDecodedAxes> m_latestAxes;
    double m_lastObservedDeltaG = 0;
    double m_thresholdG = 0.05;
    std::optional<PendingCandidate> m_pendingCandidate;
};

} // namespace hollerbox
