#pragma once

#include <cstdint>
#include <string>

namespace hollerbox {

/// One report the probe asked the device for directly.
struct SPUProbeDirectReportAttempt
{
    std::string reportType;
    std::int64_t reportID = 0;
    std::int64_t requestedLength = 0;
    std::int32_t result = 0;
    std::int64_t returnedLength = 0;
    std::string hexPreview;

    friend bool operator==(const SPUProbeDirectReportAttempt&, const SPUProbeDirectReportAttempt&) = default;
};

} // namespace hollerbox
