#pragma once

#include "SPUDecodedAxes.h"
#include "ports/WallTime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hollerbox {

/// One input report captured by the probe.
struct SPUProbeReportSample
{
    WallTime timestamp;
    std::int64_t reportID = 0;
    std::int64_t length = 0;
    std::string hexPreview;
    std::optional<SPUDecodedAxes> decodedAxes;

    friend bool operator==(const SPUProbeReportSample&, const SPUProbeReportSample&) = default;
};

} // namespace hollerbox
