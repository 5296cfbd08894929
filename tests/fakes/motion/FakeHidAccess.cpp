#include "FakeHidAccess.h"

#include <algorithm>
#include <cstring>

namespace hollerbox::testing {

bool FakeHidDeviceState::deliver(const std::vector<std::uint8_t>& bytes, HidReportType type,
                                 std::uint32_t reportID)
{
    if (!isOpen || !isScheduled || !callback) {
        return false;
    }
    const std::size_t length = std::min(bytes.size(), reportBuffer.size());
    if (length > 0) {
        std::memcpy(reportBuffer.data(), bytes.data(), length);
    }
    callback({IOReturn::success, type, reportID, reportBuffer.first(length)});
    return true;
}

bool FakeHidDeviceState::end(std::int32_t result)
{
    if (!isOpen || !isScheduled || !callback) {
        return false;
    }
    callback({result, HidReportType::input, 0, {}});
    return true;
}

std::optional<HidPropertyValue> FakeHidDevice::property(std::string_view key) const
{
    const auto found = m_state->properties.find(key);
    if (found == m_state->properties.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::int32_t FakeHidDevice::open()
{
    ++m_state->openCount;
    if (m_state->openResult == IOReturn::success) {
        m_state->isOpen = true;
    }
    return m_state->openResult;
}

void FakeHidDevice::close()
{
    ++m_state->closeCount;
    m_state->isOpen = false;
    m_state->isScheduled = false;
    m_state->callback = nullptr;
}

void FakeHidDevice::scheduleInputReports(std::span<std::uint8_t> reportBuffer,
                                         HidInputReportCallback callback)
{
    m_state->reportBuffer = reportBuffer;
    m_state->callback = std::move(callback);
    m_state->isScheduled = true;
}

void FakeHidDevice::unscheduleInputReports()
{
    m_state->isScheduled = false;
}

HidReportRequestResult FakeHidDevice::getReport(HidReportType type, std::uint32_t reportID,
                                                std::size_t length)
{
    m_state->reportRequests.emplace_back(type, reportID, length);
    if (!m_state->isOpen) {
        return {IOReturn::notOpen, 0, {}};
    }
    const auto found = m_state->reportAnswers.find({type, reportID});
    if (found == m_state->reportAnswers.end()) {
        return {IOReturn::unsupported, 0, {}};
    }
    HidReportRequestResult answer = found->second;
    if (answer.bytes.size() > length) {
        answer.bytes.resize(length);
    }
    return answer;
}

std::shared_ptr<FakeHidDeviceState> FakeHidAccess::addDevice(std::string service, FakeHidDeviceState state,
                                                             bool asService, bool inDeviceList)
{
    auto shared = std::make_shared<FakeHidDeviceState>(std::move(state));
    m_entries.push_back({std::move(service), shared, asService, inDeviceList});
    return shared;
}

HidServiceSearch FakeHidAccess::matchingServices(std::string_view className)
{
    if (className == "AppleSPUHIDDriver") {
        ++driverSearchCount;
        return {driverSearchResult,
                driverSearchResult == IOReturn::success ? driverServices : std::vector<std::string>{}};
    }
    if (className != "AppleSPUHIDDevice") {
        return {};
    }
    ++deviceSearchCount;
    if (deviceSearchResult != IOReturn::success) {
        return {deviceSearchResult, {}};
    }
    HidServiceSearch search;
    for (const Entry& entry : m_entries) {
        if (entry.asService) {
            search.services.push_back(entry.service);
        }
    }
    for (const std::string& service : servicesWithoutDevice) {
        search.services.push_back(service);
    }
    return search;
}

std::int32_t FakeHidAccess::setServiceProperty(const std::string& service, std::string_view key,
                                               std::int32_t value)
{
    propertyWrites.emplace_back(service, std::string{key}, value);
    return propertyWriteResult;
}

std::unique_ptr<HidDevice> FakeHidAccess::createDevice(const std::string& service)
{
    for (const Entry& entry : m_entries) {
        if (entry.service == service) {
            return std::make_unique<FakeHidDevice>(entry.state);
        }
    }
    return nullptr;
}

HidDeviceList FakeHidAccess::copyAllDevices()
{
    HidDeviceList list;
    list.result = deviceListResult;
    if (deviceListResult != IOReturn::success) {
        return list;
    }
    for (const Entry& entry : m_entries) {
        if (entry.inDeviceList) {
            list.devices.push_back(std::make_unique<FakeHidDevice>(entry.state));
        }
    }
    return list;
}

void FakeHidAccess::runEventLoop(double seconds)
{
    eventLoopRuns.push_back(seconds);
    if (onRunEventLoop) {
        onRunEventLoop(seconds);
    }
}

} // namespace hollerbox::testing
