#include "SPUMovementMonitor.h"

#include "HexFormatting.h"
#include "SPUDeviceQueries.h"

#include <algorithm>
#include <utility>

namespace hollerbox {

namespace {

constexpr std::string_view kBindingFailedDetail =
    "Movement monitoring unavailable because AppleSPUHIDDevice service binding failed.";
constexpr std::string_view kNoCandidateMessage =
    "No AppleSPUHIDDevice accelerometer candidate was available for SPU movement monitoring.";

} // namespace

SPUMovementMonitor::SPUMovementMonitor(HidAccess& hid, const Clock& clock,
                                       std::vector<std::unique_ptr<AccelerometerSource>> otherSources)
    : m_hid(hid), m_otherSources(std::move(otherSources)), m_detector(clock)
{}

SPUMovementMonitor::SPUMovementMonitor(std::unique_ptr<HidAccess> hid, const Clock& clock,
                                       std::vector<std::unique_ptr<AccelerometerSource>> otherSources)
    : m_ownedHid(std::move(hid)), m_hid(*m_ownedHid), m_otherSources(std::move(otherSources)),
      m_detector(clock)
{}

SPUMovementMonitor::~SPUMovementMonitor()
{
    releaseResources();
}

std::int64_t SPUMovementMonitor::candidateScore(const SPUProbeDeviceSummary& summary)
{
    std::int64_t score = summary.hasSPUTransport() ? 5 : 0;
    if (summary.hasStreamLikeVendorUsage3Element()) {
        score += 8;
    }
    return score + summary.inputLikeElementCount();
}

std::optional<SPUMovementMonitor::Candidate> SPUMovementMonitor::serviceBoundCandidate()
{
    const HidServiceSearch search = m_hid.matchingServices(SPUDeviceQueries::deviceClass);
    if (search.result != 0) {
        return std::nullopt;
    }
    std::vector<Candidate> candidates;
    for (const std::string& service : search.services) {
        auto device = m_hid.createDevice(service);
        if (!device) {
            continue;
        }
        SPUProbeDeviceSummary summary = SPUDeviceQueries::makeSPUSummary(*device);
        if (summary.usagePage == SPUProbeDeviceSummary::vendorUsagePage &&
            summary.usage == SPUProbeDeviceSummary::accelerometerUsage) {
            candidates.push_back({std::move(device), std::move(summary)});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& left, const Candidate& right) {
        const std::int64_t leftScore = candidateScore(left.summary);
        const std::int64_t rightScore = candidateScore(right.summary);
        if (leftScore != rightScore) {
            return leftScore > rightScore;
        }
        return left.summary.product < right.summary.product;
    });
    if (candidates.empty()) {
        return std::nullopt;
    }
    return std::move(candidates.front());
}

bool SPUMovementMonitor::prepare()
{
    if (isBound()) {
        return true;
    }
    SPUDeviceQueries::wakeSPUDrivers(m_hid, false);
    std::optional<Candidate> candidate = serviceBoundCandidate();
    if (!candidate) {
        if (bindOtherSource()) {
            return true;
        }
        reportDiagnostic(std::string{kNoCandidateMessage});
        reportOtherSearches();
        return false;
    }
    const std::int32_t result = candidate->device->open();
    if (result != 0) {
        if (m_diagnosticHandler) {
            reportDiagnostic("Failed to open AppleSPUHIDDevice accelerometer. IOReturn=" +
                             std::to_string(result) + " hex=0x" + formatSignedHex(result) + ".");
        }
        // On Linux any HID device with this usage qualifies, so one that cannot be opened may well not be the
        // accelerometer: the laptop's standard sensors still get their turn.
        return bindOtherSource();
    }
    candidate->device->scheduleInputReports(m_reportBuffer,
                                            [this](const HidInputReport& report) { onInputReport(report); });
    m_device = std::move(candidate->device);
    m_deviceSummary = std::move(candidate->summary);
    m_selectedSource = std::string{SPUDeviceQueries::serviceSource};
    reportPrepared();
    return true;
}

bool SPUMovementMonitor::bindOtherSource()
{
    for (const auto& source : m_otherSources) {
        auto binding = source->bind([this](const SPUDecodedAxes& axes) { m_detector.record(axes); },
                                    m_diagnosticHandler);
        if (binding) {
            m_boundSource = source.get();
            m_deviceSummary = std::move(binding->summary);
            m_selectedSource = std::move(binding->source);
            reportPrepared();
            return true;
        }
    }
    return false;
}

void SPUMovementMonitor::onInputReport(const HidInputReport& report)
{
    if (report.type != HidReportType::input) {
        return;
    }
    consume(report.bytes);
}

void SPUMovementMonitor::consume(std::span<const std::uint8_t> bytes)
{
    if (const auto axes = decodeSPUAxes(bytes)) {
        m_detector.record(*axes);
    }
}

MovementMonitorArmResult SPUMovementMonitor::arm(double thresholdG)
{
    if (!prepare() || !m_deviceSummary) {
        return {false, std::string{kBindingFailedDetail}};
    }
    return m_detector.arm(thresholdG, m_deviceSummary->product, m_selectedSource, m_diagnosticHandler);
}

std::optional<MovementDetectionEvent> SPUMovementMonitor::detectMovement()
{
    if (!m_detector.baselineAxes() || !m_deviceSummary) {
        return std::nullopt;
    }
    return m_detector.detect(m_deviceSummary->product, m_diagnosticHandler);
}

std::vector<MovementMonitorLiveValue> SPUMovementMonitor::liveValues()
{
    return m_detector.liveValues();
}

void SPUMovementMonitor::disarm()
{
    m_detector.disarm();
}

void SPUMovementMonitor::releaseResources()
{
    m_detector.clear();
    if (m_device) {
        m_device->unscheduleInputReports();
        m_device->close();
        m_device.reset();
    }
    if (m_boundSource != nullptr) {
        std::exchange(m_boundSource, nullptr)->release();
    }
    m_deviceSummary.reset();
}

void SPUMovementMonitor::reportDiagnostic(const std::string& message) const
{
    if (m_diagnosticHandler) {
        m_diagnosticHandler(message);
    }
}

void SPUMovementMonitor::reportOtherSearches() const
{
    if (!m_diagnosticHandler || m_otherSources.empty()) {
        return;
    }
    std::string searched;
    for (std::size_t index = 0; index < m_otherSources.size(); ++index) {
        if (index > 0) {
            searched += index + 1 == m_otherSources.size() ? " and " : ", ";
        }
        searched += m_otherSources[index]->searchDescription();
    }
    reportDiagnostic("Also looked for " + searched + "; none could be used.");
}

void SPUMovementMonitor::reportPrepared() const
{
    if (!m_diagnosticHandler || !m_deviceSummary) {
        return;
    }
    const SPUProbeDeviceSummary& summary = *m_deviceSummary;
    reportDiagnostic("Prepared SPU movement monitor on " + summary.product + " source=" + m_selectedSource +
                     " transport=" + summary.transport + " usagePage=0x" +
                     formatSignedHex(summary.usagePage) + " usage=0x" + formatSignedHex(summary.usage) + ".");
}

} // namespace hollerbox
