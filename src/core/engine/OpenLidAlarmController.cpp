#include "OpenLidAlarmController.h"

#include "HollerboxDiagnostics.h"
#include "NumberFormatting.h"

#include <algorithm>
#include <chrono>

namespace hollerbox {

namespace {

constexpr std::string_view kLeaseName = "HollerboxApp";
constexpr std::string_view kAlarmHoldName = "HollerboxAlarm";
constexpr int kAlarmPlaybackCount = 3;
constexpr std::uint64_t kAlarmPlaybackIntervalMilliseconds = 180;

std::string_view text(bool value)
{
    return value ? "true" : "false";
}

} // namespace

OpenLidAlarmController::OpenLidAlarmController(
    ProtectionConfiguration configuration, std::unique_ptr<RootDomainReading> reader,
    std::unique_ptr<LockStateMonitoring> lockMonitor,
    std::unique_ptr<AlarmPlaybackControlling> alarmPlaybackController,
    std::unique_ptr<PowerAssertionLeasing> powerAssertionLease,
    std::unique_ptr<MovementMonitoring> movementMonitor,
    std::unique_ptr<AudioReadinessProviding> audioReadinessProbe, const Clock& clock, MainQueue& mainQueue,
    std::unique_ptr<PowerAssertionLeasing> alarmHoldLease)
    : m_clock(clock), m_mainQueue(mainQueue), m_reader(std::move(reader)),
      m_lockMonitor(std::move(lockMonitor)), m_alarmPlaybackController(std::move(alarmPlaybackController)),
      m_powerAssertionLease(std::move(powerAssertionLease)), m_movementMonitor(std::move(movementMonitor)),
      m_audioReadinessProbe(std::move(audioReadinessProbe)), m_alarmHoldLease(std::move(alarmHoldLease)),
      m_configuration(std::move(configuration)), m_stateEnteredAt(clock.now())
{
    m_lockMonitor->setDiagnosticHandler(makeDiagnosticHandler());
    m_movementMonitor->setDiagnosticHandler(makeDiagnosticHandler());
}

OpenLidAlarmController::~OpenLidAlarmController()
{
    m_timer.reset();
    m_lockMonitor->setDiagnosticHandler({});
    m_movementMonitor->setDiagnosticHandler({});
}

DiagnosticHandler OpenLidAlarmController::makeDiagnosticHandler()
{
    std::weak_ptr<OpenLidAlarmController*> anchor = m_lifetimeAnchor;
    MainQueue* mainQueue = &m_mainQueue;
    return [anchor, mainQueue](const std::string& message) {
        mainQueue->post([anchor, message] {
            if (const auto controller = anchor.lock()) {
                (*controller)->recordDiagnostic(message);
            }
        });
    };
}

void OpenLidAlarmController::recordDiagnostic(std::string_view message)
{
    m_diagnosticLines.push_back(HollerboxDiagnostics::log(message, m_clock.now()));
    if (m_diagnosticLines.size() > maximumDiagnosticLines) {
        const auto excess = static_cast<std::ptrdiff_t>(m_diagnosticLines.size() - maximumDiagnosticLines);
        m_diagnosticLines.erase(m_diagnosticLines.begin(), m_diagnosticLines.begin() + excess);
    }
}

void OpenLidAlarmController::publishSnapshot(std::string statusText, std::string detailText,
                                             std::optional<double> secondsUntilNextStage)
{
    const auto delegate = m_delegate.lock();
    if (!delegate) {
        return;
    }
    OpenLidAlarmSnapshot snapshot;
    snapshot.state = m_state;
    snapshot.isScreenLocked = m_lockMonitor->isLocked();
    snapshot.isLidClosed = m_reader->currentClamshellState() == true;
    snapshot.audioReadiness = m_audioReadinessProbe->currentReadiness();
    snapshot.statusText = std::move(statusText);
    snapshot.detailText = std::move(detailText);
    snapshot.diagnosticLines = m_diagnosticLines;
    snapshot.liveMovementValues = m_movementMonitor->liveValues();
    snapshot.secondsUntilNextStage = secondsUntilNextStage;
    snapshot.lastUpdatedAt = m_clock.now();
    delegate->alarmControllerDidUpdate(*this, snapshot);
}

void OpenLidAlarmController::transition(OpenLidAlarmState newState, std::string statusText,
                                        std::string detailText)
{
    if (newState != OpenLidAlarmState::armed) {
        m_movementMonitor->disarm();
        m_movementMonitoringAvailable = false;
    }
    if (newState == OpenLidAlarmState::idle) {
        m_movementMonitor->releaseResources();
        m_powerAssertionLease->release();
    }
    if (newState != OpenLidAlarmState::triggered) {
        m_alarmPlaybackController->stop();
        m_lastAlarmAt.reset();
        releaseAlarmHold();
    }
    if (newState == OpenLidAlarmState::armed && alarmMaySound(newState)) {
        m_alarmPlaybackController->prepare(m_configuration.alarmSoundSelection);
    } else if (newState == OpenLidAlarmState::idle) {
        m_alarmPlaybackController->release();
    }
    m_state = newState;
    m_stateEnteredAt = m_clock.now();
    recordDiagnostic("State changed to " + std::string{rawValue(newState)} + ". " + detailText);
    publishSnapshot(std::move(statusText), std::move(detailText));
}

bool OpenLidAlarmController::beginArmingPreparation()
{
    m_powerAssertionLease->acquire(std::string{kLeaseName});
    const auto before = m_clock.now();
    const bool prepared = m_movementMonitor->prepare();
    const auto after = m_clock.now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(after - before).count();
    recordDiagnostic("Lazy movement monitor prepare result: " + std::string{text(prepared)} + " in " +
                     std::to_string(elapsed) + "ms.");
    return prepared;
}

void OpenLidAlarmController::playAlarmIfNeeded(bool force)
{
    const auto startedAt = m_clock.now();
    const bool due = !m_lastAlarmAt ||
                     m_configuration.alarmRepeatIntervalSeconds <= secondsBetween(*m_lastAlarmAt, startedAt);
    if (!force && (!due || m_alarmPlaybackController->isPlaying())) {
        return;
    }
    recordDiagnostic("Alarm playback fired.");
    const auto overrideVolume =
        m_movementTestMode ? std::nullopt : std::optional<float>{m_configuration.alarmVolumeScalar};
    m_alarmPlaybackController->play(m_configuration.alarmSoundSelection, kAlarmPlaybackCount,
                                    kAlarmPlaybackIntervalMilliseconds, overrideVolume);
    m_lastAlarmAt = startedAt;
}

void OpenLidAlarmController::holdAlarm()
{
    if (!m_alarmHoldLease) {
        return;
    }
    const auto status = m_alarmHoldLease->acquire(std::string{kAlarmHoldName});
    if (status != 0) {
        recordDiagnostic("Lid and power key inhibitor not granted (status " + std::to_string(status) +
                         "). The alarm sounds without it.");
    }
}

void OpenLidAlarmController::releaseAlarmHold()
{
    if (m_alarmHoldLease) {
        m_alarmHoldLease->release();
    }
}

void OpenLidAlarmController::processTick(WallTime now)
{
    m_lockMonitor->refreshCurrentState();
    const bool locked = m_lockMonitor->isLocked();
    const bool lidClosed = m_reader->currentClamshellState() == true;

    if (m_movementTestMode) {
        processMovementTestTick(lidClosed);
        return;
    }

    if (!m_protectionEnabled) {
        if (m_state != OpenLidAlarmState::idle) {
            transition(OpenLidAlarmState::idle, "Protection Disabled",
                       "Protection was turned off while the alarm was active.");
        } else {
            publishSnapshot("Protection Disabled", "Protection is off. Turn it on to arm on lock.");
        }
        return;
    }

    const double elapsed = secondsBetween(m_stateEnteredAt, now);
    switch (m_state) {
    case OpenLidAlarmState::idle:
        if (!locked) {
            publishSnapshot("Idle", "Keep the lid open and lock the screen to arm.");
            return;
        }
        beginArmingPreparation();
        recordDiagnostic("Detected screen lock. Entering pendingArm.");
        transition(OpenLidAlarmState::pendingArm, "Pending Arm",
                   "Screen locked. Waiting for the arm delay to finish.");
        return;
    case OpenLidAlarmState::pendingArm:
        if (!locked) {
            transition(OpenLidAlarmState::idle, "Idle", "Screen unlocked before arming completed.");
            return;
        }
        if (elapsed < m_configuration.armDelaySeconds) {
            publishSnapshot("Pending Arm", "Hold the locked state steady while the alarm arms.",
                            std::max(0.0, m_configuration.armDelaySeconds - elapsed));
            return;
        }
        {
            const auto result = m_movementMonitor->arm(m_configuration.movementTriggerThresholdG);
            m_movementMonitoringAvailable = result.isAvailable;
            recordDiagnostic("Arming completed. Movement monitor available=" +
                             std::string{text(result.isAvailable)} + ". " + result.detail);
            transition(OpenLidAlarmState::armed, "Armed", result.detail);
        }
        return;
    case OpenLidAlarmState::armed:
        if (!locked) {
            transition(OpenLidAlarmState::idle, "Idle", "Screen unlocked. Returning to idle.");
            return;
        }
        if (!m_automaticAlarmTriggeringEnabled) {
            publishSnapshot("Armed", "Background monitoring is active. This window is observing only.");
            return;
        }
        processArmedTick(elapsed);
        return;
    case OpenLidAlarmState::triggered:
        if (!locked) {
            transition(OpenLidAlarmState::idle, "Idle", "Screen unlocked. Alarm disarmed.");
            return;
        }
        playAlarmIfNeeded(false);
        publishSnapshot("Alarm Triggered", "Alarm is active. Unlock the Mac to disarm.");
        return;
    }
}

void OpenLidAlarmController::processArmedTick(double elapsedSeconds)
{
    if (auto event = m_movementMonitor->detectMovement()) {
        recordDiagnostic("Movement trigger accepted. " + event->detail);
        transition(OpenLidAlarmState::triggered, "Alarm Triggered", event->detail);
        playAlarmIfNeeded(true);
        holdAlarm();
        return;
    }
    if (m_movementMonitoringAvailable) {
        publishSnapshot("Armed", "Protection is active. Move the locked Mac to trigger the alarm.");
        return;
    }
    const double fallbackDelay = m_configuration.simulatedTriggerDelaySeconds;
    if (fallbackDelay > 0 && fallbackDelay <= elapsedSeconds) {
        recordDiagnostic("Fallback trigger fired because no movement monitor was available.");
        transition(OpenLidAlarmState::triggered, "Alarm Triggered",
                   "Fallback trigger fired because movement monitoring was unavailable.");
        playAlarmIfNeeded(true);
        holdAlarm();
        return;
    }
    if (fallbackDelay > 0) {
        publishSnapshot("Armed",
                        "Protection is active. Waiting on fallback trigger because movement monitoring is "
                        "unavailable.",
                        std::max(0.0, fallbackDelay - elapsedSeconds));
        return;
    }
    publishSnapshot("Armed", "Protection is active, but no movement source is available yet. No automatic "
                             "trigger will fire.");
}

void OpenLidAlarmController::processMovementTestTick(bool lidClosed)
{
    switch (m_state) {
    case OpenLidAlarmState::idle:
        publishSnapshot("Idle", "Hardware test is ready when movement monitoring is armed.");
        return;
    case OpenLidAlarmState::pendingArm:
        publishSnapshot("Pending Arm", "Motion sensor is warming up for a quick alarm test.");
        return;
    case OpenLidAlarmState::armed:
    case OpenLidAlarmState::triggered:
        break;
    }
    if (lidClosed) {
        m_movementTestMode = false;
        transition(OpenLidAlarmState::idle, "Idle", "Hardware test stopped because the lid was closed.");
        return;
    }
    if (m_state == OpenLidAlarmState::armed) {
        if (auto event = m_movementMonitor->detectMovement()) {
            recordDiagnostic("Welcome hardware test movement trigger accepted. " + event->detail);
            transition(OpenLidAlarmState::triggered, "Alarm Triggered", event->detail);
            playAlarmIfNeeded(true);
            holdAlarm();
            return;
        }
        publishSnapshot("Armed", "Lift the Mac now to hear how Hollerbox reacts.");
        return;
    }
    playAlarmIfNeeded(false);
    publishSnapshot("Alarm Triggered", "Hardware test alarm is live. Click Continue when you're done.");
}

void OpenLidAlarmController::updateConfiguration(const ProtectionConfiguration& configuration)
{
    m_configuration = configuration;
    recordDiagnostic(
        "Configuration updated: armDelay=" + formatShortestDecimal(configuration.armDelaySeconds) +
        "s threshold=" + formatFixed(configuration.movementTriggerThresholdG, 4) +
        "g volume=" + formatFixed(configuration.alarmVolumeScalar, 2) +
        " repeat=" + formatShortestDecimal(configuration.alarmRepeatIntervalSeconds) +
        "s sound=" + configuration.alarmSoundSelection.title() + ".");
    if (alarmMaySound(m_state)) {
        m_alarmPlaybackController->prepare(m_configuration.alarmSoundSelection);
    }
    if (m_state == OpenLidAlarmState::triggered) {
        publishSnapshot("Alarm Triggered", "Alarm settings updated while alarm remained active.");
    } else {
        publishSnapshot("Monitoring", "Protection settings updated.");
    }
}

void OpenLidAlarmController::start()
{
    m_lockMonitor->start();
    recordDiagnostic("Controller started. Waiting for open-lid locked-state arming path.");
    publishSnapshot("Monitoring", "Waiting for the Mac to stay open and become locked.");
    // A poll interval of 0 would spin the main thread; it runs at the shortest period instead.
    const auto period = std::chrono::milliseconds{
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(m_configuration.pollIntervalMilliseconds,
                                                           std::chrono::milliseconds::max().count()))};
    m_timer.reset();
    m_timer = m_mainQueue.scheduleRepeating(period, [this] { processTick(m_clock.now()); });
}

void OpenLidAlarmController::stop()
{
    if (m_timer) {
        m_timer->cancel();
        m_timer.reset();
    }
    m_alarmPlaybackController->stop();
    m_alarmPlaybackController->release();
    m_movementMonitor->disarm();
    m_movementMonitor->releaseResources();
    m_lockMonitor->stop();
    m_powerAssertionLease->release();
    releaseAlarmHold();
    recordDiagnostic("Controller stopped.");
}

void OpenLidAlarmController::setProtectionEnabled(bool enabled)
{
    if (enabled == m_protectionEnabled) {
        return;
    }
    m_protectionEnabled = enabled;
    recordDiagnostic(std::string{"Protection mode toggled to "} + (enabled ? "enabled" : "disabled") + ".");
    if (enabled) {
        transition(OpenLidAlarmState::idle, "Protection Enabled",
                   "Protection is on. Keep the lid open and lock the screen to arm.");
    } else {
        transition(OpenLidAlarmState::idle, "Protection Disabled",
                   "Protection is off. Locking the screen will not arm the alarm.");
    }
}

void OpenLidAlarmController::setAutomaticAlarmTriggeringEnabled(bool enabled)
{
    if (enabled == m_automaticAlarmTriggeringEnabled) {
        return;
    }
    m_automaticAlarmTriggeringEnabled = enabled;
    recordDiagnostic(std::string{"Automatic alarm triggering toggled to "} +
                     (enabled ? "enabled" : "disabled") + ".");
    if (m_state == OpenLidAlarmState::armed && !m_movementTestMode) {
        if (enabled) {
            m_alarmPlaybackController->prepare(m_configuration.alarmSoundSelection);
        } else {
            m_alarmPlaybackController->release();
        }
    }
}

bool OpenLidAlarmController::alarmMaySound(OpenLidAlarmState state) const
{
    return state == OpenLidAlarmState::triggered ||
           (state == OpenLidAlarmState::armed && (m_automaticAlarmTriggeringEnabled || m_movementTestMode));
}

void OpenLidAlarmController::triggerAlarmNow()
{
    recordDiagnostic("Manual alarm trigger requested.");
    transition(OpenLidAlarmState::triggered, "Alarm Triggered", "Manual alarm trigger fired.");
    playAlarmIfNeeded(true);
    holdAlarm();
}

void OpenLidAlarmController::resetToIdle()
{
    recordDiagnostic("Manual reset requested.");
    transition(OpenLidAlarmState::idle, "Idle", "Manual reset returned protection to idle.");
}

bool OpenLidAlarmController::prepareMovementTestResources()
{
    recordDiagnostic("Preparing welcome hardware movement test resources.");
    return beginArmingPreparation();
}

bool OpenLidAlarmController::isMovementTestPreparationReady()
{
    return !m_movementMonitor->liveValues().empty();
}

bool OpenLidAlarmController::startMovementTest()
{
    if (m_movementTestMode) {
        return m_movementMonitoringAvailable;
    }
    bool canArm = true;
    if (!m_movementMonitoringAvailable) {
        recordDiagnostic("Preparing welcome hardware movement test resources.");
        if (!beginArmingPreparation()) {
            m_movementMonitoringAvailable = false;
            canArm = false;
        }
    }
    if (canArm) {
        recordDiagnostic("Welcome hardware movement test requested.");
        m_movementMonitoringAvailable =
            m_movementMonitor->arm(m_configuration.movementTriggerThresholdG).isAvailable;
        if (m_movementMonitoringAvailable) {
            m_movementTestMode = true;
            transition(OpenLidAlarmState::armed, "Armed", "Lift the Mac now to hear how Hollerbox reacts.");
            return true;
        }
        m_movementTestMode = false;
        m_movementMonitor->disarm();
        m_movementMonitor->releaseResources();
        m_powerAssertionLease->release();
    }
    recordDiagnostic(
        "Welcome hardware movement test could not start because movement monitoring was unavailable.");
    publishSnapshot("Idle", "Movement test is unavailable because the motion sensor could not be armed.");
    return false;
}

void OpenLidAlarmController::discardMovementTestPreparation()
{
    m_movementTestMode = false;
    m_movementMonitoringAvailable = false;
    m_movementMonitor->disarm();
    m_movementMonitor->releaseResources();
    m_powerAssertionLease->release();
}

void OpenLidAlarmController::stopMovementTest()
{
    if (!m_movementTestMode && !m_movementMonitoringAvailable) {
        return;
    }
    m_movementTestMode = false;
    recordDiagnostic("Welcome hardware movement test stopped.");
    transition(OpenLidAlarmState::idle, "Idle", "Hardware test finished.");
}

} // namespace hollerbox
