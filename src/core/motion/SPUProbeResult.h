#pragma once

#include "SPUDriverWakeAttempt.h"
#include "SPUProbeDeviceSummary.h"
#include "SPUProbeDirectReportAttempt.h"
#include "SPUProbeReportSample.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// Everything one probe run saw, and the sentence it concluded with.
struct SPUProbeResult
{
    bool requiresElevatedPrivilegesHint = true;
    std::uint32_t effectiveUserID = 0;
    std::int64_t deviceCount = 0;
    std::vector<SPUProbeDeviceSummary> candidates;
    std::optional<SPUProbeDeviceSummary> selectedDevice;
    std::optional<std::string> selectedSource;
    std::optional<std::int32_t> openIOReturn;
    double sampleDurationSeconds = 0;
    std::int64_t sampleCount = 0;
    std::vector<std::int64_t> uniqueReportIDs;
    std::vector<SPUProbeReportSample> samples;
    std::vector<SPUProbeReportSample> recentDecodedSamples;
    std::vector<SPUProbeDirectReportAttempt> directReportAttempts;
    std::vector<SPUDriverWakeAttempt> driverWakeAttempts;
    std::string note;

    /// The plain-text report: labelled lines joined by line feeds, ending in `note`.
    std::string formattedText() const;

    friend bool operator==(const SPUProbeResult&, const SPUProbeResult&) = default;
};

} // namespace hollerbox
