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
    : m_hid(hid), m_clock(clock), m_otherSources(std::move(otherSources)), m_detector(clock)
{}

SPUMovementMonitor::SPUMovementMonitor(std::unique_ptr<HidAccess> hid, const Clock& clock,
                                       std::vector<std::unique_ptr<AccelerometerSource>> otherSources)
    : m_ownedHid(std::move(hid)), m_hid(*m_ownedHid), m_clock(clock), m_otherSources(std::move(otherSources)),
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

std::optional<SPUMovementMonitor::Candidate> SPUMovementMonitor::serviceBoundCandidate(bool silent)
{
    const HidServiceSearch search = m_hid.matchingServices(SPUDeviceQueries::deviceClass);
    if (search.result != 0) {
        return std::nullopt;
    }
    std::vector<Candidate> candidates;
    for (const std::string& service : search.services) {
        if (m_silentServices.contains(service) != silent) {
            continue;
        }
        auto device = m_hid.createDevice(service);
        if (!device) {
            continue;
        }
        SPUProbeDeviceSummary summary = SPUDeviceQueries::makeSPUSummary(*device);
        if (summary.usagePage == SPUProbeDeviceSummary::vendorUsagePage &&
            summary.usage == SPUProbeDeviceSummary::accelerometerUsage) {
            candidates.push_back({std::move(device), std::move(summary), service});
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
    if (std::optional<Candidate> candidate = serviceBoundCandidate(false)) {
        // On Linux any HID device with this usage qualifies, so one that cannot be opened may well not be the
        // accelerometer: the laptop's standard sensors still get their turn.
        return bindCandidate(*candidate) || bindOtherSource();
    }
    if (bindOtherSource()) {
        return true;
    }
    // A device that stayed silent once is still better than none.
    std::optional<Candidate> silent;
    if (!m_silentServices.empty()) {
        silent = serviceBoundCandidate(true);
    }
    if (silent) {
        m_silenceAccepted = true;
        return bindCandidate(*silent);
    }
    reportDiagnostic(std::string{kNoCandidateMessage});
    reportOtherSearches();
    return false;
}

bool SPUMovementMonitor::bindCandidate(Candidate& candidate)
{
    const std::int32_t result = candidate.device->open();
    if (result != 0) {
        if (m_diagnosticHandler) {
            reportDiagnostic("Failed to open AppleSPUHIDDevice accelerometer. IOReturn=" +
                             std::to_string(result) + " hex=0x" + formatSignedHex(result) + ".");
            const auto node = candidate.device->property("DevicePath");
            const std::string reason = candidate.device->lastError();
            if (node && std::holds_alternative<std::string>(*node) && !reason.empty()) {
                reportDiagnostic("Cannot open " + std::get<std::string>(*node) +
                                 " of AppleSPUHIDDevice accelerometer " + candidate.summary.product + ": " +
                                 reason + ".");
            }
        }
        m_silenceAccepted = false;
        return false;
    }
    m_deviceSpoke = false;
    m_deviceEnded = false;
    m_boundAt = m_clock.now();
    candidate.device->scheduleInputReports(m_reportBuffer,
                                           [this](const HidInputReport& report) { onInputReport(report); });
    m_device = std::move(candidate.device);
    m_boundService = std::move(candidate.service);
    m_deviceSummary = std::move(candidate.summary);
    m_selectedSource = std::string{SPUDeviceQueries::serviceSource};
    reportPrepared();
    return true;
}

bool SPUMovementMonitor::bindOtherSource()
{
    DiagnosticHandler diagnostics;
    if (m_diagnosticHandler) {
        diagnostics = [this](const std::string& line) { reportDiagnostic(line); };
    }
    for (const auto& source : m_otherSources) {
        auto binding =
            source->bind([this](const SPUDecodedAxes& axes) { m_detector.record(axes); }, diagnostics);
        if (binding) {
            m_boundSource = source.get();
            m_boundAt = m_clock.now();
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
    if (report.result != 0) {
        m_deviceEnded = true; // handled on the next arming or poll, outside the device's own call
        return;
    }
    if (report.type != HidReportType::input) {
        return;
    }
    m_deviceSpoke = true;
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
    m_armed = true;
    m_awaitingBaseline = false;
    superviseBinding();
    if (!isBound() || !m_deviceSummary) {
        return {false, std::string{kBindingFailedDetail}};
    }
    auto result = m_detector.arm(thresholdG, m_deviceSummary->product, m_selectedSource, m_diagnosticHandler);
    m_awaitingBaseline = m_awaitingBaseline && !m_detector.baselineAxes();
    return result;
}

std::optional<MovementDetectionEvent> SPUMovementMonitor::detectMovement()
{
    if (m_armed) {
        superviseBinding();
    }
    if (!m_detector.baselineAxes() || !m_deviceSummary) {
        return std::nullopt;
    }
    return m_detector.detect(m_deviceSummary->product, m_diagnosticHandler);
}

bool SPUMovementMonitor::boundSourceEnded() const
{
    return (m_device && m_deviceEnded) || (m_boundSource != nullptr && m_boundSource->hasEnded());
}

std::string SPUMovementMonitor::deviceNode() const
{
    const auto node = m_device ? m_device->property("DevicePath") : std::nullopt;
    return node && std::holds_alternative<std::string>(*node) ? std::get<std::string>(*node) : m_boundService;
}

void SPUMovementMonitor::superviseBinding()
{
    const WallTime now = m_clock.now();
    if (boundSourceEnded()) {
        std::string lost =
            "Movement monitor lost " + m_deviceSummary->product + " source=" + m_selectedSource;
        if (m_device) {
            const std::string reason = m_device->lastError();
            lost += " (" + deviceNode() + ": " + (reason.empty() ? "its reports ended" : reason) + ")";
        }
        reportDiagnostic(lost + "; binding an accelerometer again.");
        unbind();
        m_awaitingBaseline = true;
        m_nextRebindAt = now;
    }
    if (!isBound() && m_awaitingBaseline && now >= m_nextRebindAt) {
        m_nextRebindAt = now + rebindInterval;
        // Until a sensor returns, the searches that find nothing stay quiet.
        m_quiet = true;
        const bool bound = prepare();
        m_quiet = false;
        if (bound) {
            reportPrepared();
        }
    }
    if (m_device && !m_deviceSpoke && !m_silenceAccepted && now - m_boundAt >= silenceLimit) {
        replaceSilentDevice();
    }
    if (m_awaitingBaseline && isBound() && m_detector.latestAxes() &&
        secondsBetween(m_boundAt, now) >= m_detector.baselineWindowSeconds) {
        m_awaitingBaseline = false;
        m_detector.arm(m_detector.thresholdG(), m_deviceSummary->product, m_selectedSource,
                       m_diagnosticHandler);
    }
}

void SPUMovementMonitor::replaceSilentDevice()
{
    reportDiagnostic("AppleSPUHIDDevice accelerometer " + m_deviceSummary->product + " (" + deviceNode() +
                     ") gave no reports within " + std::to_string(silenceLimit.count()) +
                     " ms, so the next accelerometer source is tried.");
    m_silentServices.insert(m_boundService);
    unbind();
    m_awaitingBaseline = true;
    m_nextRebindAt = m_clock.now() + rebindInterval;
    prepare();
}

std::vector<MovementMonitorLiveValue> SPUMovementMonitor::liveValues()
{
    return m_detector.liveValues();
}

void SPUMovementMonitor::disarm()
{
    m_armed = false;
    m_awaitingBaseline = false;
    m_detector.disarm();
}

void SPUMovementMonitor::releaseResources()
{
    unbind();
    m_armed = false;
    m_awaitingBaseline = false;
    m_deviceSummary.reset();
}

void SPUMovementMonitor::unbind()
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
    m_boundService.clear();
    m_deviceEnded = false;
    m_silenceAccepted = false;
}

void SPUMovementMonitor::reportDiagnostic(const std::string& message) const
{
    if (m_diagnosticHandler && !m_quiet) {
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
