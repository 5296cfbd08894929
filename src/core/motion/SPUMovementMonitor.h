#pragma once

#include "AccelerometerSource.h"
#include "HidAccess.h"
#include "MovementDetector.h"
#include "SPUProbeDeviceSummary.h"
#include "engine/MovementMonitoring.h"
#include "ports/Clock.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace hollerbox {

/// The movement monitor on the sensor processor's HID accelerometer: binds the best vendor 0xFF00/3
/// device, decodes its reports into a 2-second history and judges movement against a baseline.
/// Other accelerometers, tried when no such device exists, feed the same history. On every arming and poll it
/// watches the binding: a HID device that stays silent gives way to the next source, and a sensor that went
/// away is bound again (retried every `rebindInterval`) with a new baseline. Main thread only.
class SPUMovementMonitor final : public MovementMonitoring
{
public:
    static constexpr std::size_t reportBufferLength = 4096;
    /// How long a bound HID device may send nothing before the next source is tried, as for an IIO buffer.
    static constexpr std::chrono::milliseconds silenceLimit{1000};
    /// How often an armed monitor that lost its sensor looks for one again.
    static constexpr std::chrono::milliseconds rebindInterval{1000};

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
        std::string service;
    };

    /// The best candidate among the silent devices (`silent`) or among the others.
    std::optional<Candidate> serviceBoundCandidate(bool silent);
    bool bindCandidate(Candidate& candidate);
    bool bindOtherSource();
    /// Closes what is bound and forgets its samples; the summary and the threshold stay.
    void unbind();
    void superviseBinding();
    bool boundSourceEnded() const;
    void replaceSilentDevice();
    std::string deviceNode() const;
    void reportDiagnostic(const std::string& message) const;
    void reportPrepared() const;
    void reportOtherSearches() const;
    void onInputReport(const HidInputReport& report);

    std::unique_ptr<HidAccess> m_ownedHid;
    HidAccess& m_hid;
    const Clock& m_clock;
    std::vector<std::unique_ptr<AccelerometerSource>> m_otherSources;
    std::unique_ptr<HidDevice> m_device;
    AccelerometerSource* m_boundSource = nullptr;
    std::optional<SPUProbeDeviceSummary> m_deviceSummary;
    std::string m_selectedSource{"AppleSPUHIDDevice service"};
    std::vector<std::uint8_t> m_reportBuffer = std::vector<std::uint8_t>(reportBufferLength, 0);
    std::string m_boundService;
    WallTime m_boundAt{};
    bool m_deviceSpoke = false;
    bool m_deviceEnded = false;
    bool m_silenceAccepted = false;
    /// HID services that stayed silent: bound only when no other source can be.
    std::set<std::string, std::less<>> m_silentServices;
    bool m_armed = false;
    /// Diagnostics are dropped while a lost sensor is looked for.
    bool m_quiet = false;
    /// Armed, but the baseline waits for the samples of a sensor bound again.
    bool m_awaitingBaseline = false;
    WallTime m_nextRebindAt{};
    MovementDetector m_detector;
    DiagnosticHandler m_diagnosticHandler;
};

} // namespace hollerbox
