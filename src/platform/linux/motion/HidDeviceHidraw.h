#pragma once

#include "linux/support/FileDescriptor.h"
#include "motion/HidDevice.h"
#include "motion/HidReportDescriptor.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace hollerbox {

/// A hidraw node: properties from sysfs, elements from its report descriptor, reports read without
/// blocking through a socket notifier on the thread that schedules them (the main thread).
class HidDeviceHidraw final : public HidDevice
{
public:
    /// What sysfs says about the node.
    struct Description
    {
        std::string nodePath;
        std::map<std::string, HidPropertyValue, std::less<>> properties;
        /// None when the report descriptor could not be read.
        std::optional<HidReportDescriptor> descriptor;
    };

    /// Upper bound of one read: the largest report a hidraw node hands out, and then some.
    static constexpr std::size_t readBufferLength = 16384;
    /// Reads per wake-up, so that a flooding device cannot starve the event loop.
    static constexpr int maximumReadsPerWakeup = 64;
    /// How long reports may gather after the node becomes readable before they are read together.
    static constexpr std::chrono::milliseconds readBatchInterval{4};

    explicit HidDeviceHidraw(Description description);
    ~HidDeviceHidraw() override;

    HidDeviceHidraw(const HidDeviceHidraw&) = delete;
    HidDeviceHidraw& operator=(const HidDeviceHidraw&) = delete;

    std::optional<HidPropertyValue> property(std::string_view key) const override;
    std::optional<std::vector<HidElement>> elements() const override;
    std::int32_t open() override;
    void close() override;
    void scheduleInputReports(std::span<std::uint8_t> reportBuffer, HidInputReportCallback callback) override;
    void unscheduleInputReports() override;
    HidReportRequestResult getReport(HidReportType type, std::uint32_t reportID, std::size_t length) override;

    /// Whether reports are being read: scheduled, open, and the node has not gone away.
    bool isReading() const;

private:
    /// The reports in one read: split by the descriptor's input lengths, or whole without a descriptor.
    std::vector<std::span<const std::uint8_t>> reportsIn(std::span<const std::uint8_t> bytes) const;
    void readReports();
    void deliver(std::span<const std::uint8_t> report);
    void stopReading();
    void dropNotifier();

    Description m_description;
    FileDescriptor m_file;
    QSocketNotifier* m_notifier = nullptr;
    std::span<std::uint8_t> m_reportBuffer;
    HidInputReportCallback m_callback;
    std::vector<std::uint8_t> m_readBuffer;
    bool m_scheduled = false;
    bool m_dispatching = false;
    bool m_endOfStream = false;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace hollerbox
