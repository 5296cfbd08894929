#pragma once

#include "HidAccess.h"
#include "SPUProbeResult.h"
#include "ports/Clock.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace hollerbox {

/// A diagnostic look at every device that resembles the sensor processor's accelerometer: lists them,
/// opens the best, pulls reports from it and listens to it for a while. Keeps nothing between runs.
class SPUSensorProbe
{
public:
    static constexpr double defaultDurationSeconds = 3.0;
    static constexpr double longestDurationSeconds = 3600.0;

    /// `hid` and `clock` must outlive the probe.
    SPUSensorProbe(HidAccess& hid, const Clock& clock) : m_hid(hid), m_clock(clock) {}

    /// Probes for `durationSeconds`, running the calling thread's event loop meanwhile.
    SPUProbeResult run(double durationSeconds);

    /// A watch duration given as text: a plain decimal number of seconds from 0 to one hour; none otherwise.
    static std::optional<double> parseDuration(std::string_view text);

    /// Score for ranking probe candidates by where and how they were found.
    static std::int64_t candidateScore(const SPUProbeDeviceSummary& summary, const std::string& source);

private:
    HidAccess& m_hid;
    const Clock& m_clock;
};

} // namespace hollerbox
