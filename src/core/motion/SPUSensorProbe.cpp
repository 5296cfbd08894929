#include "SPUSensorProbe.h"

#include "HexFormatting.h"
#include "SPUDeviceQueries.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace hollerbox {

namespace {

constexpr std::string_view kManagerFailedNote =
    "IOHIDManager itself could not be opened, so SPU probing could not start.";
constexpr std::string_view kNoCandidateNote = "The current machine did not expose an obvious Apple SPU HID "
                                              "candidate through user-space HID enumeration.";
constexpr std::string_view kOpenFailedNote =
    "The SPU-like candidate could be enumerated but not opened for report streaming. This may indicate a "
    "privileged path.";
constexpr std::string_view kReportsCapturedNote =
    "The candidate device produced raw HID reports. The next step is decoding report structure and axis "
    "semantics.";
constexpr std::string_view kDirectPullsNote =
    "Input callbacks stayed silent, but direct report pulls succeeded. "
    "The next step is decoding the successful report payloads.";
constexpr std::string_view kSilentNote =
    "The candidate device opened successfully, but neither input callbacks "
    "nor direct report pulls produced raw report payloads.";

constexpr std::size_t kCaptureBufferLength = 4096;
constexpr std::size_t kPulledElementCount = 6;
constexpr std::size_t kMinimumPullLength = 64;
constexpr std::size_t kMaximumPullLength = 4096;
constexpr std::size_t kShortestPullLength = 8;

struct ProbeCandidate
{
    std::unique_ptr<HidDevice> device;
    SPUProbeDeviceSummary summary;
    std::string source;
};

// Collects the input reports of one run; its buffer lives as long as the capture.
class InputReportCapture
{
public:
    explicit InputReportCapture(const Clock& clock) : m_clock(clock) {}

    std::span<std::uint8_t> buffer() { return m_reportBuffer; }
    const std::vector<SPUProbeReportSample>& samples() const { return m_samples; }
    const std::vector<SPUProbeDirectReportAttempt>& attempts() const { return m_attempts; }

    void capture(const HidInputReport& report)
    {
        if (report.type != HidReportType::input) {
            return;
        }
        m_samples.push_back({m_clock.now(), report.reportID, static_cast<std::int64_t>(report.bytes.size()),
                             hexPreview(report.bytes), decodeSPUAxes(report.bytes)});
    }

    void pullDirectReports(HidDevice& device, const SPUProbeDeviceSummary& summary)
    {
        std::vector<const SPUProbeElementSummary*> selected;
        for (const auto& element : summary.reportElements) {
            if (element.reportID >= 1 &&
                (element.isInputLike() || element.usagePage == SPUProbeDeviceSummary::vendorUsagePage)) {
                selected.push_back(&element);
            }
        }
        std::stable_sort(selected.begin(), selected.end(), [](const auto* left, const auto* right) {
            if (left->reportID != right->reportID) {
                return left->reportID < right->reportID;
            }
            return left->reportCount > right->reportCount;
        });
        std::set<std::string> seen;
        for (std::size_t index = 0; index < std::min(selected.size(), kPulledElementCount); ++index) {
            const auto& element = *selected[index];
            const std::int64_t shortest = static_cast<std::int64_t>(kShortestPullLength);
            const std::int64_t longest = static_cast<std::int64_t>(kMaximumPullLength);
            const std::int64_t length = std::max<std::int64_t>(
                std::min(std::max(element.reportCount, shortest), longest), kMinimumPullLength);
            pullReport(device, element.reportID, static_cast<std::size_t>(length), HidReportType::input,
                       "input", seen);
            pullReport(device, element.reportID, static_cast<std::size_t>(length), HidReportType::feature,
                       "feature", seen);
        }
    }

private:
    void pullReport(HidDevice& device, std::int64_t reportID, std::size_t requestedLength, HidReportType type,
                    const std::string& label, std::set<std::string>& seen)
    {
        const std::string key =
            label + "-" + std::to_string(reportID) + "-" + std::to_string(requestedLength);
        if (!seen.insert(key).second) {
            return;
        }
        const HidReportRequestResult answer =
            device.getReport(type, static_cast<std::uint32_t>(reportID), requestedLength);
        std::string preview;
        if (answer.result == 0 && answer.returnedLength >= 1) {
            const std::size_t available = std::min(answer.returnedLength, answer.bytes.size());
            preview = hexPreview(std::span<const std::uint8_t>{answer.bytes}.first(available));
        }
        m_attempts.push_back({label, reportID, static_cast<std::int64_t>(requestedLength), answer.result,
                              static_cast<std::int64_t>(answer.returnedLength), preview});
    }

    const Clock& m_clock;
    std::vector<std::uint8_t> m_reportBuffer = std::vector<std::uint8_t>(kCaptureBufferLength, 0);
    std::vector<SPUProbeReportSample> m_samples;
    std::vector<SPUProbeDirectReportAttempt> m_attempts;
};

std::string candidateKey(const ProbeCandidate& candidate)
{
    return candidate.summary.product + "|" + candidate.summary.transport + "|" +
           std::to_string(candidate.summary.usagePage) + "|" + std::to_string(candidate.summary.usage) + "|" +
           candidate.source;
}

} // namespace

std::optional<double> SPUSensorProbe::parseDuration(std::string_view text)
{
    double seconds = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(seconds) ||
        seconds < 0 || seconds > longestDurationSeconds) {
        return std::nullopt;
    }
    return seconds;
}

std::int64_t SPUSensorProbe::candidateScore(const SPUProbeDeviceSummary& summary, const std::string& source)
{
    const auto& elements = summary.reportElements;
    std::int64_t score = 0;
    if (source == SPUDeviceQueries::serviceSource) {
        score += 12;
    }
    if (summary.hasStreamLikeVendorUsage3Element()) {
        score += 10;
    }
    if (summary.hasSPUTransport()) {
        score += 5;
    }
    if (std::any_of(elements.begin(), elements.end(), [](const auto& e) {
            return e.usagePage == SPUProbeDeviceSummary::vendorUsagePage &&
                   e.usage == SPUProbeDeviceSummary::accelerometerUsage;
        })) {
        score += 6;
    }
    if (std::any_of(elements.begin(), elements.end(),
                    [](const auto& e) { return e.usagePage == SPUProbeDeviceSummary::vendorUsagePage; })) {
        score += 3;
    }
    score += summary.inputLikeElementCount();
    if (asciiLower(summary.product).find("spu") != std::string::npos) {
        score += 2;
    }
    return score;
}

SPUProbeResult SPUSensorProbe::run(double durationSeconds)
{
    SPUProbeResult result;
    result.requiresElevatedPrivilegesHint = true;
    result.effectiveUserID = m_hid.effectiveUserID();
    result.sampleDurationSeconds = durationSeconds;

    HidDeviceList managerDevices = m_hid.copyAllDevices();
    if (managerDevices.result != 0) {
        result.openIOReturn = managerDevices.result;
        result.note = std::string{kManagerFailedNote};
        return result;
    }
    result.deviceCount = static_cast<std::int64_t>(managerDevices.devices.size());
    result.driverWakeAttempts = SPUDeviceQueries::wakeSPUDrivers(m_hid, true);

    std::vector<ProbeCandidate> found;
    const HidServiceSearch search = m_hid.matchingServices(SPUDeviceQueries::deviceClass);
    if (search.result == 0) {
        for (const std::string& service : search.services) {
            auto device = m_hid.createDevice(service);
            if (!device) {
                continue;
            }
            SPUProbeDeviceSummary summary = SPUDeviceQueries::makeSPUSummary(*device);
            if (summary.isSPUCandidate()) {
                found.push_back(
                    {std::move(device), std::move(summary), std::string{SPUDeviceQueries::serviceSource}});
            }
        }
    }
    for (auto& device : managerDevices.devices) {
        SPUProbeDeviceSummary summary = SPUDeviceQueries::makeSPUSummary(*device);
        if (summary.isSPUCandidate()) {
            found.push_back(
                {std::move(device), std::move(summary), std::string{SPUDeviceQueries::managerSource}});
        }
    }

    std::vector<ProbeCandidate> candidates;
    std::set<std::string> keys;
    for (auto& candidate : found) {
        if (keys.insert(candidateKey(candidate)).second) {
            candidates.push_back(std::move(candidate));
        }
    }
    for (const auto& candidate : candidates) {
        result.candidates.push_back(candidate.summary);
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto& left, const auto& right) {
        const std::int64_t leftScore = candidateScore(left.summary, left.source);
        const std::int64_t rightScore = candidateScore(right.summary, right.source);
        if (leftScore != rightScore) {
            return leftScore > rightScore;
        }
        return left.summary.product < right.summary.product;
    });
    if (candidates.empty()) {
        result.note = std::string{kNoCandidateNote};
        return result;
    }

    ProbeCandidate& selected = candidates.front();
    result.selectedDevice = selected.summary;
    result.selectedSource = selected.source;
    const std::int32_t openResult = selected.device->open();
    result.openIOReturn = openResult;
    if (openResult != 0) {
        result.note = std::string{kOpenFailedNote};
        return result;
    }

    InputReportCapture capture{m_clock};
    selected.device->scheduleInputReports(
        capture.buffer(), [&capture](const HidInputReport& report) { capture.capture(report); });
    capture.pullDirectReports(*selected.device, selected.summary);
    m_hid.runEventLoop(durationSeconds);
    selected.device->unscheduleInputReports();
    selected.device->close();

    result.samples = capture.samples();
    result.sampleCount = static_cast<std::int64_t>(result.samples.size());
    std::set<std::int64_t> reportIDs;
    for (const auto& sample : result.samples) {
        reportIDs.insert(sample.reportID);
        if (sample.decodedAxes) {
            result.recentDecodedSamples.push_back(sample);
        }
    }
    result.uniqueReportIDs.assign(reportIDs.begin(), reportIDs.end());
    result.directReportAttempts = capture.attempts();

    const auto& attempts = result.directReportAttempts;
    if (!result.samples.empty()) {
        result.note = std::string{kReportsCapturedNote};
    } else if (std::any_of(attempts.begin(), attempts.end(),
                           [](const auto& a) { return a.result == 0 && a.returnedLength >= 1; })) {
        result.note = std::string{kDirectPullsNote};
    } else {
        result.note = std::string{kSilentNote};
    }
    return result;
}

} // namespace hollerbox
