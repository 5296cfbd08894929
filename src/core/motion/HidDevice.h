#pragma once

#include "HidElement.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hollerbox {

/// Report types, numbered as the HID layer numbers them.
enum class HidReportType : std::uint32_t
{
    input = 0,
    output = 1,
    feature = 2,
};

/// A device property: text or number.
using HidPropertyValue = std::variant<std::string, std::int64_t>;

/// One report delivered by a device; `bytes` lies in the buffer given to `scheduleInputReports`. A report
/// whose `result` is not 0 carries no bytes and ends the delivery: the device stopped for good (it went away
/// or failed), and `HidDevice::lastError()` says why.
struct HidInputReport
{
    std::int32_t result = 0;
    HidReportType type = HidReportType::input;
    std::uint32_t reportID = 0;
    std::span<const std::uint8_t> bytes;
};

using HidInputReportCallback = std::function<void(const HidInputReport& report)>;

/// Outcome of asking a device for one report.
struct HidReportRequestResult
{
    std::int32_t result = 0;
    /// The length the request reported back, also when it failed.
    std::size_t returnedLength = 0;
    /// The bytes that came back (at most the requested length).
    std::vector<std::uint8_t> bytes;
};

/// One HID device, as the motion sensing sees it. Main thread only.
class HidDevice
{
public:
    virtual ~HidDevice() = default;

    /// The property under `key` ("Product", "VendorID", "ProductID", "PrimaryUsagePage", "PrimaryUsage",
    /// "DevicePath" (the node it is read from), "Transport", ...), or none when the device has no such
    /// property.
    virtual std::optional<HidPropertyValue> property(std::string_view key) const = 0;
    /// All elements of the device in the order the HID layer lists them; none when they cannot be read.
    virtual std::optional<std::vector<HidElement>> elements() const = 0;
    /// Opens the device for reports without exclusive access; an IOReturn code, 0 on success.
    virtual std::int32_t open() = 0;
    /// Stops any report delivery and closes the device; safe when not open.
    virtual void close() = 0;
    /// Delivers each incoming report on the main thread until unscheduled or closed: its bytes (at most
    /// the buffer's size) are written into `reportBuffer`, which must stay valid until then.
    virtual void scheduleInputReports(std::span<std::uint8_t> reportBuffer,
                                      HidInputReportCallback callback) = 0;
    /// Stops report delivery; the device stays open.
    virtual void unscheduleInputReports() = 0;
    /// Asks an open device for one report of `type` and `reportID`, offering `length` bytes.
    virtual HidReportRequestResult getReport(HidReportType type, std::uint32_t reportID,
                                             std::size_t length) = 0;
    /// Why the last open failed or the reports ended, as the system words it ("No such device"); empty when
    /// nothing failed or the reason is unknown.
    virtual std::string lastError() const { return {}; }
};

} // namespace hollerbox
