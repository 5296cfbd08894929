#include "SPUDeviceQueries.h"

#include <array>
#include <utility>

namespace hollerbox::SPUDeviceQueries {

std::optional<std::string> stringProperty(std::string_view key, const HidDevice& device)
{
    const auto value = device.property(key);
    if (!value || !std::holds_alternative<std::string>(*value)) {
        return std::nullopt;
    }
    return std::get<std::string>(*value);
}

std::optional<std::int64_t> intProperty(std::string_view key, const HidDevice& device)
{
    const auto value = device.property(key);
    if (!value || !std::holds_alternative<std::int64_t>(*value)) {
        return std::nullopt;
    }
    return std::get<std::int64_t>(*value);
}

SPUProbeDeviceSummary makeSPUSummary(const HidDevice& device)
{
    SPUProbeDeviceSummary summary;
    if (const auto elements = device.elements()) {
        summary.reportElements.reserve(elements->size());
        for (const HidElement& element : *elements) {
            summary.reportElements.push_back({SPUProbeElementSummary::typeText(element.type),
                                              element.usagePage, element.usage, element.reportID,
                                              element.reportSize, element.reportCount});
        }
    }
    summary.product = stringProperty("Product", device).value_or(summary.product);
    summary.vendorID = intProperty("VendorID", device).value_or(0);
    summary.productID = intProperty("ProductID", device).value_or(0);
    summary.usagePage = intProperty("PrimaryUsagePage", device).value_or(0);
    summary.usage = intProperty("PrimaryUsage", device).value_or(0);
    summary.transport = stringProperty("Transport", device).value_or(summary.transport);
    return summary;
}

std::vector<SPUDriverWakeAttempt> wakeSPUDrivers(HidAccess& access, bool recordSearchFailure)
{
    static constexpr std::array<std::pair<std::string_view, std::int32_t>, 3> kWakeProperties{{
        {"SensorPropertyReportingState", 1},
        {"SensorPropertyPowerState", 1},
        {"ReportInterval", 1000},
    }};
    const HidServiceSearch search = access.matchingServices(driverClass);
    std::vector<SPUDriverWakeAttempt> attempts;
    if (search.result != 0) {
        if (recordSearchFailure) {
            attempts.push_back({"IOServiceGetMatchingServices", search.result, search.result});
        }
        return attempts;
    }
    for (const std::string& service : search.services) {
        for (const auto& [key, value] : kWakeProperties) {
            attempts.push_back({std::string{key}, value, access.setServiceProperty(service, key, value)});
        }
    }
    return attempts;
}

} // namespace hollerbox::SPUDeviceQueries
