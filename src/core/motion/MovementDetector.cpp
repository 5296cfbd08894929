#include "MovementDetector.h"

#include "engine/NumberFormatting.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace hollerbox {

namespace {

constexpr std::int64_t kLiveValueUsagePage = 0xFF00;
constexpr std::int64_t kLiveXUsage = 0x301;
constexpr std::int64_t kLiveYUsage = 0x302;
constexpr std::int64_t kLiveZUsage = 0x303;
constexpr std::int64_t kLiveDeltaUsage = 0x310;
constexpr double kLiveDeltaScale = 10000.0; // units of 0.0001 g

std::chrono::microseconds window(double seconds)
{
    return std::chrono::round<std::chrono::microseconds>(std::chrono::duration<double>(seconds));
}

std::string axesText(const SPUDecodedAxes& axes)
{
    return std::to_string(axes.xRaw) + ", " + std::to_string(axes.yRaw) + ", " + std::to_string(axes.zRaw);
}

} // namespace

void MovementDetector::record(const SPUDecodedAxes& axes)
{
    const WallTime now = m_clock.now();
    const auto history = window(historySeconds);
    m_latestAxes = axes;
    // Samples stamped after this one can only come from a clock that was set back: they are dropped too, so
    // that stale readings never pass for recent ones. The history stays in time order, so they are its end.
    while (m_samples.size() > m_firstSample && m_samples.back().timestamp > now) {
        m_samples.pop_back();
    }
    m_samples.push_back({now, axes});
    while (now - m_samples[m_firstSample].timestamp > history) {
        ++m_firstSample;
    }
    if (m_firstSample >= m_samples.size() - m_firstSample) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<std::ptrdiff_t>(m_firstSample));
        m_firstSample = 0;
    }
}

std::optional<SPUDecodedAxes> MovementDetector::averagedAxes(double windowSeconds) const
{
    const WallTime now = m_clock.now();
    const auto limit = window(windowSeconds);
    double x = 0;
    double y = 0;
    double z = 0;
    std::size_t count = 0;
    for (const TimedSample& sample : recentSamples()) {
        if (now - sample.timestamp <= limit) {
            x += sample.axes.xRaw;
            y += sample.axes.yRaw;
            z += sample.axes.zRaw;
            ++count;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    const auto mean = [count](double sum) {
        return static_cast<std::int32_t>(std::round(sum / static_cast<double>(count)));
    };
    return SPUDecodedAxes{mean(x), mean(y), mean(z)};
}

double MovementDetector::deltaMagnitudeG(const SPUDecodedAxes& current, const SPUDecodedAxes& baseline)
{
    const double dx = current.xG() - baseline.xG();
    const double dy = current.yG() - baseline.yG();
    const double dz = current.zG() - baseline.zG();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

MovementMonitorArmResult MovementDetector::arm(double thresholdG, std::string_view product,
                                               std::string_view source, const DiagnosticHandler& diagnostics)
{
    // A threshold that is not a number would never be reached: the floor stands in for it.
    m_thresholdG = std::isnan(thresholdG) ? minimumThresholdG : std::max(thresholdG, minimumThresholdG);
    m_pendingCandidate.reset();
    m_baselineAxes = averagedAxes(baselineWindowSeconds);
    if (!m_baselineAxes) {
        m_baselineAxes = m_latestAxes;
    }
    m_lastObservedDeltaG = 0;

    const std::string productText{product};
    if (!m_baselineAxes) {
        if (diagnostics) {
            diagnostics("Armed SPU monitor on " + productText + " without an immediate baseline sample.");
        }
        return {true,
                "Movement monitoring active on " + productText + ", but baseline is still stabilizing."};
    }
    const std::string threshold = formatFixed(thresholdG, 4);
    if (diagnostics) {
        const SPUDecodedAxes& baseline = *m_baselineAxes;
        diagnostics("Armed SPU monitor on " + productText + " source=" + std::string{source} +
                    " baseline=(x:" + std::to_string(baseline.xRaw) + ", y:" + std::to_string(baseline.yRaw) +
                    ", z:" + std::to_string(baseline.zRaw) + ") threshold=" + threshold + "g.");
    }
    return {true, "Movement monitoring active on " + productText + " via SPU accelerometer with threshold " +
                      threshold + "g."};
}

std::optional<MovementDetectionEvent> MovementDetector::detect(std::string_view product,
                                                               const DiagnosticHandler& diagnostics)
{
    if (!m_baselineAxes) {
        return std::nullopt;
    }
    std::optional<SPUDecodedAxes> current = averagedAxes(currentWindowSeconds);
    if (!current) {
        current = m_latestAxes;
    }
    if (!current) {
        return std::nullopt;
    }
    const WallTime now = m_clock.now();
    const double delta = deltaMagnitudeG(*current, *m_baselineAxes);
    m_lastObservedDeltaG = delta;

    if (delta >= m_thresholdG) {
        // A candidate stamped in the future can only come from a clock that was set back: it would never
        // last long enough, so it starts again now.
        if (m_pendingCandidate && m_pendingCandidate->startedAt > now) {
            m_pendingCandidate->startedAt = now;
        }
        if (!m_pendingCandidate) {
            m_pendingCandidate = PendingCandidate{now, delta};
            if (diagnostics) {
                diagnostics("Observed SPU motion candidate delta=" + formatFixed(delta, 4) + "g baseline=(" +
                            axesText(*m_baselineAxes) + ") current=(" + axesText(*current) +
                            ") holdingFor=" + formatFixed(confirmationWindowSeconds, 2) + "s.");
            }
            return std::nullopt;
        }
        m_pendingCandidate->peakDeltaG = std::max(m_pendingCandidate->peakDeltaG, delta);
        const auto elapsed = now - m_pendingCandidate->startedAt;
        if (elapsed < window(confirmationWindowSeconds)) {
            return std::nullopt;
        }
        const std::string peak = formatFixed(m_pendingCandidate->peakDeltaG, 4);
        const std::string productText{product};
        if (diagnostics) {
            diagnostics("Confirmed SPU movement delta=" + peak + "g on " + productText + " after " +
                        formatFixed(secondsBetween(m_pendingCandidate->startedAt, now), 2) +
                        "s above threshold.");
        }
        m_pendingCandidate.reset();
        return MovementDetectionEvent{"Movement detected from " + productText +
                                      " via SPU accelerometer (delta " + peak + "g)."};
    }

    if (m_pendingCandidate && diagnostics) {
        diagnostics("Dropped SPU motion candidate after " +
                    formatFixed(secondsBetween(m_pendingCandidate->startedAt, now), 2) +
                    "s because the smoothed delta returned below threshold.");
    }
    m_pendingCandidate.reset();
    return std::nullopt;
}

std::vector<MovementMonitorLiveValue> MovementDetector::liveValues() const
{
    if (!m_latestAxes) {
        return {};
    }
    const auto baseline = [this](std::int32_t SPUDecodedAxes::*axis) -> std::optional<std::int64_t> {
        if (!m_baselineAxes) {
            return std::nullopt;
        }
        return (*m_baselineAxes).*axis;
    };
    return {
        {0, kLiveValueUsagePage, kLiveXUsage, m_latestAxes->xRaw, baseline(&SPUDecodedAxes::xRaw),
         std::nullopt},
        {0, kLiveValueUsagePage, kLiveYUsage, m_latestAxes->yRaw, baseline(&SPUDecodedAxes::yRaw),
         std::nullopt},
        {0, kLiveValueUsagePage, kLiveZUsage, m_latestAxes->zRaw, baseline(&SPUDecodedAxes::zRaw),
         std::nullopt},
        {0, kLiveValueUsagePage, kLiveDeltaUsage, std::llround(m_lastObservedDeltaG * kLiveDeltaScale), 0,
         std::nullopt},
    };
}

void MovementDetector::disarm()
{
    m_baselineAxes.reset();
    m_lastObservedDeltaG = 0;
    m_pendingCandidate.reset();
}

void MovementDetector::clear()
{
    disarm();
    m_latestAxes.reset();
    m_samples.clear();
    m_firstSample = 0;
}

} // namespace hollerbox
