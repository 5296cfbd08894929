#pragma once

#include "AlarmPlaybackControlling.h"
#include "AudioReadinessProviding.h"
#include "LockStateMonitoring.h"
#include "MovementMonitoring.h"
#include "OpenLidAlarmControllerDelegate.h"
#include "OpenLidAlarmSnapshot.h"
#include "OpenLidAlarmState.h"
#include "PowerAssertionLeasing.h"
#include "ProtectionConfiguration.h"
#include "RootDomainReading.h"
#include "ports/Clock.h"
#include "ports/MainQueue.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The protection state machine: arms on a locked screen, triggers on movement, disarms on unlock.
/// Belongs to the main thread; only the collaborators' diagnostic handlers may be called elsewhere.
class OpenLidAlarmController
{
public:
    static constexpr std::size_t maximumDiagnosticLines = 40;

    /// Takes ownership of the collaborators; `clock` and `mainQueue` must outlive the controller. The
    /// optional `alarmHoldLease` is held exactly while the state is triggered.
    OpenLidAlarmController(ProtectionConfiguration configuration, std::unique_ptr<RootDomainReading> reader,
                           std::unique_ptr<LockStateMonitoring> lockMonitor,
                           std::unique_ptr<AlarmPlaybackControlling> alarmPlaybackController,
                           std::unique_ptr<PowerAssertionLeasing> powerAssertionLease,
                           std::unique_ptr<MovementMonitoring> movementMonitor,
                           std::unique_ptr<AudioReadinessProviding> audioReadinessProbe, const Clock& clock,
                           MainQueue& mainQueue,
                           std::unique_ptr<PowerAssertionLeasing> alarmHoldLease = nullptr);
    ~OpenLidAlarmController();

    OpenLidAlarmController(const OpenLidAlarmController&) = delete;
    OpenLidAlarmController& operator=(const OpenLidAlarmController&) = delete;

    /// The delegate is held weakly: once its owner lets it go, nothing more is published.
    void setDelegate(std::weak_ptr<OpenLidAlarmControllerDelegate> delegate)
    {
        m_delegate = std::move(delegate);
    }
    std::weak_ptr<OpenLidAlarmControllerDelegate> delegate() const { return m_delegate; }

    void start();
    void stop();
    void processTick(WallTime now);
    void updateConfiguration(const ProtectionConfiguration& configuration);
    void setProtectionEnabled(bool enabled);
    void setAutomaticAlarmTriggeringEnabled(bool enabled);
    void triggerAlarmNow();
    void resetToIdle();

    bool prepareMovementTestResources();
    bool isMovementTestPreparationReady();
    bool startMovementTest();
    void discardMovementTestPreparation();
    void stopMovementTest();

    bool isAutomaticAlarmTriggeringEnabled() const { return m_automaticAlarmTriggeringEnabled; }
    bool isProtectionEnabled() const { return m_protectionEnabled; }
    bool isMovementTestMode() const { return m_movementTestMode; }
    bool isMovementMonitoringAvailable() const { return m_movementMonitoringAvailable; }
    OpenLidAlarmState state() const { return m_state; }
    const ProtectionConfiguration& configuration() const { return m_configuration; }
    const std::vector<std::string>& diagnosticLines() const { return m_diagnosticLines; }

private:
    void recordDiagnostic(std::string_view message);
    void publishSnapshot(std::string statusText, std::string detailText,
                         std::optional<double> secondsUntilNextStage = std::nullopt);
    void transition(OpenLidAlarmState newState, std::string statusText, std::string detailText);
    /// True when the alarm may sound without another state change: armed with a trigger that fires, or
    /// triggered.
    bool alarmMaySound(OpenLidAlarmState state) const;
    bool beginArmingPreparation();
    void playAlarmIfNeeded(bool force);
    void holdAlarm();
    void releaseAlarmHold();
    void processArmedTick(double elapsedSeconds);
    void processMovementTestTick(bool lidClosed);
    DiagnosticHandler makeDiagnosticHandler();

    const Clock& m_clock;
    MainQueue& m_mainQueue;
    std::weak_ptr<OpenLidAlarmControllerDelegate> m_delegate;
    std::unique_ptr<RootDomainReading> m_reader;
    std::unique_ptr<LockStateMonitoring> m_lockMonitor;
    std::unique_ptr<AlarmPlaybackControlling> m_alarmPlaybackController;
    std::unique_ptr<PowerAssertionLeasing> m_powerAssertionLease;
    std::unique_ptr<MovementMonitoring> m_movementMonitor;
    std::unique_ptr<AudioReadinessProviding> m_audioReadinessProbe;
    std::unique_ptr<PowerAssertionLeasing> m_alarmHoldLease;
    ProtectionConfiguration m_configuration;
    bool m_movementMonitoringAvailable = false;
    bool m_protectionEnabled = true;
    bool m_automaticAlarmTriggeringEnabled = true;
    bool m_movementTestMode = false;
    std::unique_ptr<ScheduledTask> m_timer;
    OpenLidAlarmState m_state = OpenLidAlarmState::idle;
    WallTime m_stateEnteredAt;
    std::optional<WallTime> m_lastAlarmAt;
    std::vector<std::string> m_diagnosticLines;
    // Diagnostic jobs posted from other threads hold this weakly, so they never reach a destroyed controller.
    std::shared_ptr<OpenLidAlarmController*> m_lifetimeAnchor =
        std::make_shared<OpenLidAlarmController*>(this);
};

} // namespace hollerbox
