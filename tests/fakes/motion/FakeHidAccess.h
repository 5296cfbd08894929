#pragma once

#include "motion/HidAccess.h"
#include "motion/IOReturn.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace hollerbox::testing {

/// The scripted state of one fake HID device, shared by every handle made for it.
struct FakeHidDeviceState
{
    std::map<std::string, HidPropertyValue, std::less<>> properties;
    std::optional<std::vector<HidElement>> elements = std::vector<HidElement>{};
    std::int32_t openResult = IOReturn::success;
    /// Answers to report requests by type and report ID; anything else fails as unsupported.
    std::map<std::pair<HidReportType, std::uint32_t>, HidReportRequestResult> reportAnswers;
    /// What `lastError()` says.
    std::string lastError;

    int openCount = 0;
    int closeCount = 0;
    bool isOpen = false;
    bool isScheduled = false;
    std::vector<std::tuple<HidReportType, std::uint32_t, std::size_t>> reportRequests;
    std::span<std::uint8_t> reportBuffer;
    HidInputReportCallback callback;

    /// Hands `bytes` to the scheduled callback as the HID layer would; false when nothing listens.
    bool deliver(const std::vector<std::uint8_t>& bytes, HidReportType type = HidReportType::input,
                 std::uint32_t reportID = 0);
    /// Ends the delivery with `result` as a device that goes away does; false when nothing listens.
    bool end(std::int32_t result = IOReturn::noDevice);
};

/// A device handle over shared fake state.
class FakeHidDevice final : public HidDevice
{
public:
    explicit FakeHidDevice(std::shared_ptr<FakeHidDeviceState> state) : m_state(std::move(state)) {}

    std::optional<HidPropertyValue> property(std::string_view key) const override;
    std::optional<std::vector<HidElement>> elements() const override { return m_state->elements; }
    std::int32_t open() override;
    void close() override;
    void scheduleInputReports(std::span<std::uint8_t> reportBuffer, HidInputReportCallback callback) override;
    void unscheduleInputReports() override;
    HidReportRequestResult getReport(HidReportType type, std::uint32_t reportID, std::size_t length) override;
    std::string lastError() const override { return m_state->lastError; }

private:
    std::shared_ptr<FakeHidDeviceState> m_state;
};

/// A registry of fake HID devices and sensor driver services.
class FakeHidAccess final : public HidAccess
{
public:
    /// Adds a device, listed as an "AppleSPUHIDDevice" service under `service` and among all devices
    /// unless told otherwise.
    std::shared_ptr<FakeHidDeviceState> addDevice(std::string service, FakeHidDeviceState state = {},
                                                  bool asService = true, bool inDeviceList = true);

    HidServiceSearch matchingServices(std::string_view className) override;
    std::int32_t setServiceProperty(const std::string& service, std::string_view key,
                                    std::int32_t value) override;
    std::unique_ptr<HidDevice> createDevice(const std::string& service) override;
    HidDeviceList copyAllDevices() override;
    void runEventLoop(double seconds) override;
    std::uint32_t effectiveUserID() const override { return effectiveUser; }

    std::vector<std::string> driverServices;
    std::int32_t deviceSearchResult = IOReturn::success;
    std::int32_t driverSearchResult = IOReturn::success;
    std::int32_t deviceListResult = IOReturn::success;
    std::int32_t propertyWriteResult = IOReturn::success;
    std::vector<std::string> servicesWithoutDevice;
    std::uint32_t effectiveUser = 501;
    /// Runs in place of the event loop; tests deliver reports or advance virtual time here.
    std::function<void(double seconds)> onRunEventLoop;

    int deviceSearchCount = 0;
    int driverSearchCount = 0;
    std::vector<std::tuple<std::string, std::string, std::int32_t>> propertyWrites;
    std::vector<double> eventLoopRuns;

private:
    struct Entry
    {
        std::string service;
        std::shared_ptr<FakeHidDeviceState> state;
        bool asService = true;
        bool inDeviceList = true;
    };
    std::vector<Entry> m_entries;
};

} // namespace hollerbox::testing
