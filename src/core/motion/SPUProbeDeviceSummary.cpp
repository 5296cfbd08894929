#include "SPUProbeDeviceSummary.h"

#include <algorithm>

namespace hollerbox {

std::string asciiUpper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

std::string asciiLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

bool SPUProbeDeviceSummary::hasSPUTransport() const
{
    return asciiUpper(transport) == "SPU";
}

bool SPUProbeDeviceSummary::isSPUCandidate() const
{
    return hasSPUTransport() || std::any_of(reportElements.begin(), reportElements.end(), [](const auto& e) {
               return e.usagePage == vendorUsagePage && e.usage == accelerometerUsage;
           });
}

bool SPUProbeDeviceSummary::hasStreamLikeVendorUsage3Element() const
{
    return std::any_of(reportElements.begin(), reportElements.end(), [](const auto& e) {
        return e.usagePage == vendorUsagePage && e.usage == accelerometerUsage && e.reportID > 0 &&
               e.isInputLike();
    });
}

std::int64_t SPUProbeDeviceSummary::inputLikeElementCount() const
{
    return std::count_if(reportElements.begin(), reportElements.end(),
                         [](const auto& e) { return e.isInputLike(); });
}

} // namespace hollerbox
