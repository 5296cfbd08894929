#pragma once

#include "linux/support/FileDescriptor.h"
#include "motion/HidDevice.h"
#include "motion/HidReportDescriptor.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace hollerbox {

/// A hidraw node: properties from sysfs, elements from its report descriptor, reports read without
/// blocking on the thread that schedules them (the main thread). A slow device is read as soon as a report
/// arrives; a fast one (reports less than `readBatchInterval` apart) is read every `readBatchInterval`, all
/// its waiting reports together, until it falls quiet. Reading allocates nothing per report. A node that
/// reaches its end or fails (the device went away) ends the delivery with one report of a non-zero result.
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
    /// How long the reports of a fast device gather before they are read together.
    static constexpr std::chrono::milliseconds readBatchInterval{40};

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
    std::string lastError() const override { return m_lastError; }

    /// Whether reports are being read: scheduled, open, and the node has not gone away.
    bool isReading() const;

    /// Splits one read into `reports`: by the descriptor's input lengths, or whole without a descriptor.
    static void splitReports(const std::optional<HidReportDescriptor>& descriptor,
                             std::span<const std::uint8_t> bytes,
                             std::vector<std::span<const std::uint8_t>>& reports);
    /// `report` as delivered: copied into `reportBuffer` as far as it fits, with its ID when reports are
    /// numbered.
    static HidInputReport inputReport(const std::optional<HidReportDescriptor>& descriptor,
                                      std::span<const std::uint8_t> report,
                                      std::span<std::uint8_t> reportBuffer);

private:
    void startReading();
    void onReadable();
    void onBatchTimer();
    bool hasWaitingBytes() const;
    void readReports();
    void deliver(std::span<const std::uint8_t> report);
    void stopReading();
    /// Stops reading after a read that returned `count` and tells the callback, which may destroy the device.
    void endStream(ssize_t count, int error);
    void dropNotifier();

    Description m_description;
    FileDescriptor m_file;
    QSocketNotifier* m_notifier = nullptr;
    /// Runs while a fast device is read in batches; a child of the notifier.
    QTimer* m_batchTimer = nullptr;
    std::chrono::steady_clock::time_point m_lastReadableAt{};
    std::span<std::uint8_t> m_reportBuffer;
    /// Shared, so that a callback that closes or destroys the device can finish without a copy per report.
    std::shared_ptr<const HidInputReportCallback> m_callback;
    std::vector<std::uint8_t> m_readBuffer;
    std::vector<std::span<const std::uint8_t>> m_reports;
    bool m_scheduled = false;
    bool m_dispatching = false;
    bool m_endOfStream = false;
    std::string m_lastError;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace hollerbox
