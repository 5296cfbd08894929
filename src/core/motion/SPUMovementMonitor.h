#pragma once

#include "AccelerometerSource.h"
#include "HidAccess.h"
#include "MovementDetector.h"
#include "SPUProbeDeviceSummary.h"
#include "engine/MovementMonitoring.h"
#include "ports/Clock.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hollerbox {

/// The movement monitor on the sensor processor's HID accelerometer: binds the best vendor 0xFF00/3
/// device, decodes its reports into a 2-second history and judges movement against a baseline.
/// Other accelerometers, tried when no such device exists, feed the same history. Main thread only.
class SPUMovementMonitor final : public MovementMonitoring
{
public:
    static constexpr std::size_t reportBufferLength = 4096;

    /// `hid` and `clock` must outlive the monitor; `otherSources` are tried in order after the HID device.
    SPUMovementMonitor(HidAccess& hid, const Clock& clock,
                       std::vector<std::unique_ptr<AccelerometerSource>> otherSources = {});
    /// As above, the monitor owning its HID access.
    SPUMovementMonitor(std::unique_ptr<HidAccess> hid, const Clock& clock,
                       std::vector<std::unique_ptr<AccelerometerSource>> otherSources = {});
    ~SPUMovementMonitor() override;

    SPUMovementMonitor(const SPUMovementMonitor&) = delete;
    SPUMovementMonitor& operator=(const SPUMovementMonitor&) = delete;

    void setDiagnosticHandler(DiagnosticHandler handler) override
    {
        m_diagnosticHandler = std::move(handler);
    }
    bool prepare() override;
    MovementMonitorArmResult arm(double thresholdG) override;
    std::optional<MovementDetectionEvent> detectMovement() override;
    std::vector<MovementMonitorLiveValue> liveValues() override;
    void disarm() override;
    void releaseResources() override;

    /// Decodes one input report into the history; reports shorter than 18 bytes are ignored.
    void consume(std::span<const std::uint8_t> bytes);

    /// Score for ranking bound candidates: SPU transport 5, a stream-like 0xFF00/3 element 8, 1 per input.
    static std::int64_t candidateScore(const SPUProbeDeviceSummary& summary);

    bool isBound() const { return m_device != nullptr || m_boundSource != nullptr; }
    const std::optional<SPUProbeDeviceSummary>& deviceSummary() const { return m_deviceSummary; }
    const std::string& selectedSource() const { return m_selectedSource; }
    const MovementDetector& detector() const { return m_detector; }

private:
    struct Candidate
    {
        std::unique_ptr<HidDevice> device;
        SPUProbeDeviceSummary summary;
    };

    std::optional<Candidate> serviceBoundCandidate();
    bool bindOtherSource();
    void reportDiagnostic(const std::string& message) const;
    void reportPrepared() const;
    void reportOtherSearches() const;
    void onInputReport(const HidInputReport& report);

    std::unique_ptr<HidAccess> m_ownedHid;
    HidAccess& m_hid;
    std::vector<std::unique_ptr<AccelerometerSource>> m_otherSources;
    std::unique_ptr<HidDevice> m_device;
    AccelerometerSource* m_boundSource = nullptr;
    std::optional<SPUProbeDeviceSummary> m_deviceSummary;
    std::string m_selectedSource{"AppleSPUHIDDevice service"};
    std::vector<std::uint8_t> m_reportBuffer = std::vector<std::uint8_t>(reportBufferLength, 0);
    MovementDetector m_detector;
    DiagnosticHandler m_diagnosticHandler;
};

} // namespace hollerbox
