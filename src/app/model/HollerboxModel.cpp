#include "HollerboxModel.h"

#include "audio/AlarmSoundSelectionCoding.h"
#include "audio/BuiltInAlarmSound.h"
#include "model/checks/HardwareCheckTexts.h"
#include "model/presentation/PresentationFormatting.h"
#include "model/presentation/ProtectionPresentation.h"
#include "model/presentation/ProtectionSensitivityLevel.h"
#include "model/presentation/StatusColorRole.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsMigrations.h"
#include "model/sounds/ImportedAlarmSoundCoding.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace hollerbox {

namespace {

constexpr std::uint64_t kPollIntervalMilliseconds = 250;

QString qString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

OpenLidAlarmSnapshot startUpSnapshot(WallTime now)
{
    OpenLidAlarmSnapshot snapshot;
    snapshot.audioReadiness.level = AudioReadinessLevel::unavailable;
    snapshot.audioReadiness.title = "Audio Check Pending";
    snapshot.audioReadiness.detail = "Starting protection services...";
    snapshot.statusText = "Starting...";
    snapshot.detailText = "Starting protection services...";
    snapshot.lastUpdatedAt = now;
    return snapshot;
}

QString statusName(HardwareCheckStatus status)
{
    switch (status) {
    case HardwareCheckStatus::checking:
        return QStringLiteral("checking");
    case HardwareCheckStatus::ready:
        return QStringLiteral("ready");
    case HardwareCheckStatus::warning:
        return QStringLiteral("warning");
    case HardwareCheckStatus::unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}

QString colorRoleName(StatusColorRole role)
{
    switch (role) {
    case StatusColorRole::secondary:
        return QStringLiteral("secondary");
    case StatusColorRole::orange:
        return QStringLiteral("orange");
    case StatusColorRole::blue:
        return QStringLiteral("blue");
    case StatusColorRole::red:
        return QStringLiteral("red");
    case StatusColorRole::green:
        break;
    }
    return QStringLiteral("green");
}

QVariant optionalNumber(const std::optional<std::int64_t>& value)
{
    return value ? QVariant{static_cast<qlonglong>(*value)} : QVariant{};
}

} // namespace

/// Receives the controller's snapshots for the model; the controller holds it weakly.
class HollerboxModel::DelegateBridge final : public OpenLidAlarmControllerDelegate
{
public:
    explicit DelegateBridge(HollerboxModel& model) : m_model(model) {}

    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        m_model.alarmControllerDidUpdate(snapshot);
    }

private:
    HollerboxModel& m_model;
};

HollerboxModel::HollerboxModel(Services services, QObject* parent)
    : QObject(parent), m_mainQueue(services.mainQueue), m_clock(services.clock),
      m_settings(services.settingsFilePath), m_soundLibrary(services.importedAlarmsDirectory),
      m_broadcasterLogger(services.applicationLogPath),
      m_launchAtLoginManager(std::move(services.launchAtLoginManager)),
      m_platformCheckProvider(std::move(services.platformCheckProvider)),
      m_hardwareCheckReadinessTimeout(services.hardwareCheckReadinessTimeout),
      m_hardwareCheckReadinessPollInterval(services.hardwareCheckReadinessPollInterval),
      m_snapshot(startUpSnapshot(services.clock.now())),
      m_platformHardwareCheck{std::string{HardwareCheckTexts::checkingPlatform},
                              HardwareCheckStatus::checking},
      m_motionSensorHardwareCheck{std::string{HardwareCheckTexts::checkingMotionSensor},
                                  HardwareCheckStatus::checking}
{
    m_alarmPreviewController = services.makePreviewController();
    m_testAlarmController = services.makePreviewController();

    applyLaunchAtLoginState(m_launchAtLoginManager.currentState());

    m_armDelaySeconds = m_settings.readDouble(SettingsKeys::armDelaySeconds).value_or(2.0);
    m_movementThreshold = SettingsMigrations::migrateMovementThreshold(m_settings).value_or(0.05);
    m_alarmVolumeScalar =
        m_settings.readDouble(SettingsKeys::alarmVolumeScalar).value_or(static_cast<double>(0.65F));
    const auto rawTriggerDelay = m_settings.readDouble(SettingsKeys::triggerDelaySeconds);
    m_alarmRepeatIntervalSeconds =
        m_settings.readDouble(SettingsKeys::alarmRepeatIntervalSeconds).value_or(2.0);
    if (const auto stored = m_settings.readData(SettingsKeys::alarmSoundSelection)) {
        const auto decoding = decodeAlarmSoundSelection(stored->toStdString());
        m_alarmSoundSelection = decoding.selection.value_or(AlarmSoundSelection::defaultSelection());
    }
    auto imported =
        ImportedAlarmSoundLibrary::loadExisting(m_settings.readData(SettingsKeys::importedAlarmSounds));
    m_triggerDelaySeconds = SettingsMigrations::migrateTriggerDelay(m_settings, rawTriggerDelay);

    m_showsOnboarding = !m_settings.readBool(SettingsKeys::hasDismissedOnboarding).value_or(false);
    m_protectionEnabled = m_settings.readBool(SettingsKeys::protectionEnabled).value_or(true);

    m_importedAlarmSounds = ImportedAlarmSoundLibrary::seeded(std::move(imported), m_alarmSoundSelection);
    m_settings.sync();

    m_backgroundMonitorLauncher = std::move(services.backgroundMonitorLauncher);
    m_alarmReporter =
        std::make_unique<AlarmReporter>(m_backgroundMonitorLauncher->latestLogPointerPath(),
                                        std::move(services.desktopNotifier), m_broadcasterLogger);
    m_controller = services.makeController(configuration());

    std::weak_ptr<HollerboxModel*> anchor = m_anchor;
    m_alarmPreviewController->setOnPlaybackStateChanged([anchor](bool playing) {
        if (const auto model = anchor.lock()) {
            (*model)->setPreviewPlaying(playing);
        }
    });
    m_testAlarmController->setOnPlaybackStateChanged([anchor](bool playing) {
        if (const auto model = anchor.lock()) {
            (*model)->setTestAlarmPlaying(playing);
        }
    });
    m_backgroundMonitorLauncher->setDiagnosticHandler([anchor](const std::string& message) {
        if (const auto model = anchor.lock()) {
            (*model)->writeLauncherMessage(message);
        }
    });
    m_delegateBridge = std::make_shared<DelegateBridge>(*this);
    m_controller->setDelegate(m_delegateBridge);

    // A monitor that an earlier run left behind is taken over before the first snapshot decides anything.
    m_backgroundMonitorLauncher->adoptRunningMonitor();

    if (!m_controller->isAutomaticAlarmTriggeringEnabled()) {
        m_controller->setAutomaticAlarmTriggeringEnabled(true);
    }
    m_controller->start();
    m_controller->setProtectionEnabled(m_protectionEnabled);

    // Only the welcome flow leaves the live movement test running: outside it, a lift while the user works
    // would sound the alarm and the test would keep the machine from idle sleep.
    runHardwareChecks(m_showsOnboarding ? MotionReadinessCheck::Mode::startTest
                                        : MotionReadinessCheck::Mode::confirmOnly);
}

HollerboxModel::~HollerboxModel()
{
    // Nothing is published while the model goes.
    m_anchor.reset();
    m_delegateBridge.reset();
    m_hardwareCheckTask.reset();
    m_alarmPreviewController->stop();
    m_testAlarmController->stop();
    m_controller->discardMovementTestPreparation();
    m_controller->stop();
}

ProtectionConfiguration HollerboxModel::configuration() const
{
    ProtectionConfiguration configuration;
    configuration.armDelaySeconds = m_armDelaySeconds;
    configuration.simulatedTriggerDelaySeconds = m_triggerDelaySeconds;
    configuration.movementTriggerThresholdG = m_movementThreshold;
    configuration.alarmVolumeScalar = static_cast<float>(m_alarmVolumeScalar);
    configuration.pollIntervalMilliseconds = kPollIntervalMilliseconds;
    configuration.alarmRepeatIntervalSeconds = m_alarmRepeatIntervalSeconds;
    configuration.alarmSoundSelection = m_alarmSoundSelection;
    return configuration;
}

void HollerboxModel::alarmControllerDidUpdate(const OpenLidAlarmSnapshot& snapshot)
{
    const OpenLidAlarmState previousState = m_snapshot.state;
    OpenLidAlarmSnapshot restamped = m_snapshot;
    restamped.lastUpdatedAt = snapshot.lastUpdatedAt;
    const bool changed = restamped != snapshot;
    m_snapshot = snapshot;
    emit lastUpdatedAtChanged();
    if (changed) {
        emit snapshotChanged();
        emit presentationChanged();
    }
    if (m_welcomeHardwareAlarmTestActive && snapshot.state == OpenLidAlarmState::idle) {
        setWelcomeHardwareAlarmTestActive(false);
    }

    if (m_protectionEnabled && snapshot.isScreenLocked) {
        const bool running =
            m_backgroundMonitorLauncher->start(m_armDelaySeconds, m_movementThreshold, m_alarmVolumeScalar,
                                               m_alarmRepeatIntervalSeconds, m_alarmSoundSelection);
        m_controller->setAutomaticAlarmTriggeringEnabled(!running);
        const bool wasHandedOver = std::exchange(m_watchHandedOver, running);
        if (running && (!wasHandedOver || snapshot.state != previousState)) {
            releaseSensorWhileHandedOver();
        } else if (!running && wasHandedOver) {
            takeTheWatchBack();
        }
        m_monitorWatchedThisLock = m_monitorWatchedThisLock || running;
        return;
    }
    m_watchHandedOver = false;
    m_backgroundMonitorLauncher->stop(m_protectionEnabled ? "Screen unlocked." : "Protection is off.");
    if (!m_controller->isAutomaticAlarmTriggeringEnabled()) {
        m_controller->setAutomaticAlarmTriggeringEnabled(true);
    }
    if (!snapshot.isScreenLocked && std::exchange(m_monitorWatchedThisLock, false)) {
        m_alarmReporter->reportAfterUnlock(snapshot.lastUpdatedAt);
    }
}

void HollerboxModel::releaseSensorWhileHandedOver()
{
    const bool checking = m_hardwareCheckTask && m_hardwareCheckTask->isRunning();
    if (!checking && !m_controller->isMovementTestMode()) {
        m_controller->discardMovementTestPreparation();
    }
}

void HollerboxModel::takeTheWatchBack()
{
    // Reset after this snapshot: the next tick prepares the sensor and arms it after the arm delay.
    std::weak_ptr<HollerboxModel*> anchor = m_anchor;
    m_mainQueue.post([anchor] {
        const auto model = anchor.lock();
        if (!model) {
            return;
        }
        HollerboxModel& self = **model;
        const OpenLidAlarmState state = self.m_snapshot.state;
        if (!self.m_watchHandedOver && self.m_snapshot.isScreenLocked &&
            (state == OpenLidAlarmState::pendingArm || state == OpenLidAlarmState::armed)) {
            self.m_controller->resetToIdle();
        }
    });
}

void HollerboxModel::setProtectionEnabled(bool enabled)
{
    if (enabled == m_protectionEnabled) {
        return;
    }
    m_protectionEnabled = enabled;
    m_settings.writeBool(SettingsKeys::protectionEnabled, enabled);
    m_settings.sync();
    emit protectionEnabledChanged();
    emit presentationChanged();
    // The controller publishes the switch at once, and that snapshot would stop the monitor first: the
    // stop is made here, before it, so that it carries the reason the user acted on.
    if (!enabled) {
        m_backgroundMonitorLauncher->stop("Protection disabled.");
    }
    m_controller->setProtectionEnabled(enabled);
}

void HollerboxModel::persistSettingsAndApply()
{
    m_settings.writeDouble(SettingsKeys::armDelaySeconds, m_armDelaySeconds);
    m_settings.writeDouble(SettingsKeys::movementThreshold, m_movementThreshold);
    m_settings.writeDouble(SettingsKeys::alarmVolumeScalar, m_alarmVolumeScalar);
    m_settings.writeDouble(SettingsKeys::triggerDelaySeconds, m_triggerDelaySeconds);
    m_settings.writeDouble(SettingsKeys::alarmRepeatIntervalSeconds, m_alarmRepeatIntervalSeconds);
    if (const auto json = encodeAlarmSoundSelection(m_alarmSoundSelection)) {
        m_settings.writeData(SettingsKeys::alarmSoundSelection, QByteArray::fromStdString(*json));
    }
    m_settings.sync();
    m_controller->updateConfiguration(configuration());
}

void HollerboxModel::setArmDelaySeconds(double value)
{
    m_armDelaySeconds = value;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setMovementThreshold(double value)
{
    m_movementThreshold = value;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setAlarmVolumeScalar(double value)
{
    m_alarmVolumeScalar = value;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setTriggerDelaySeconds(double value)
{
    m_triggerDelaySeconds = value;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setAlarmRepeatIntervalSeconds(double value)
{
    m_alarmRepeatIntervalSeconds = value;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setAlarmSoundSelection(const AlarmSoundSelection& selection)
{
    m_alarmSoundSelection = selection;
    emit settingsChanged();
    persistSettingsAndApply();
}

void HollerboxModel::setSensitivityLevel(const QString& rawValue)
{
    if (const auto level = ProtectionSensitivityLevel::fromRawValue(rawValue.toStdString())) {
        setMovementThreshold(level->thresholdG());
    }
}

void HollerboxModel::selectBuiltInAlarmSound(const QString& id)
{
    if (const auto sound = BuiltInAlarmSound::fromId(id.toStdString())) {
        setAlarmSoundSelection(AlarmSoundSelection::builtIn(*sound));
    }
}

void HollerboxModel::selectImportedAlarmSound(const QString& id)
{
    for (const auto& sound : m_importedAlarmSounds) {
        if (sound.id.toString(QUuid::WithoutBraces) == id) {
            setAlarmSoundSelection(
                AlarmSoundSelection::customFile(sound.path.toStdString(), sound.displayName.toStdString()));
            return;
        }
    }
}

std::optional<AlarmImportFailure> HollerboxModel::importAlarmSound(const QString& sourcePath)
{
    auto result = m_soundLibrary.importSound(m_importedAlarmSounds, sourcePath);
    if (result.failure) {
        return result.failure;
    }
    storeImportedAlarmSounds(std::move(result.sounds));
    setAlarmSoundSelection(ImportedAlarmSoundLibrary::selectionAfterImport(result.importedSound));
    return std::nullopt;
}

QString HollerboxModel::importAlarmSoundFile(const QString& pathOrUrl)
{
    const QUrl url{pathOrUrl};
    const QString path = url.isLocalFile() ? url.toLocalFile() : pathOrUrl;
    const auto failure = importAlarmSound(path);
    return failure ? failure->description() : QString{};
}

void HollerboxModel::deleteImportedAlarmSound(const ImportedAlarmSound& sound)
{
    storeImportedAlarmSounds(m_soundLibrary.deleteSound(m_importedAlarmSounds, sound));
    const auto selectedPath = m_alarmSoundSelection.customFilePath();
    if (!selectedPath) {
        return;
    }
    const QString path = QString::fromStdString(*selectedPath);
    const bool listed = std::any_of(m_importedAlarmSounds.cbegin(), m_importedAlarmSounds.cend(),
                                    [&](const ImportedAlarmSound& entry) { return entry.path == path; });
    if (listed || path == sound.path) {
        setAlarmSoundSelection(ImportedAlarmSoundLibrary::selectionAfterDelete(m_alarmSoundSelection, sound,
                                                                               m_importedAlarmSounds));
    }
}

void HollerboxModel::deleteImportedAlarmSoundWithId(const QString& id)
{
    for (const auto& sound : m_importedAlarmSounds) {
        if (sound.id.toString(QUuid::WithoutBraces) == id) {
            const ImportedAlarmSound deleted = sound;
            deleteImportedAlarmSound(deleted);
            return;
        }
    }
}

void HollerboxModel::storeImportedAlarmSounds(QList<ImportedAlarmSound> sounds)
{
    m_importedAlarmSounds = std::move(sounds);
    m_settings.writeData(SettingsKeys::importedAlarmSounds,
                         ImportedAlarmSoundCoding::encode(m_importedAlarmSounds));
    m_settings.sync();
    emit importedAlarmSoundsChanged();
}

void HollerboxModel::toggleTestAlarm()
{
    if (m_isTestAlarmPlaying) {
        m_testAlarmController->stop();
        return;
    }
    m_testAlarmController->play(m_alarmSoundSelection, static_cast<float>(m_alarmVolumeScalar));
}

void HollerboxModel::togglePreview()
{
    if (m_isPreviewPlaying) {
        m_alarmPreviewController->stop();
        return;
    }
    m_alarmPreviewController->play(m_alarmSoundSelection, std::nullopt);
}

void HollerboxModel::triggerAlarmNow()
{
    m_controller->triggerAlarmNow();
}

void HollerboxModel::runHardwareChecks()
{
    runHardwareChecks(MotionReadinessCheck::Mode::startTest);
}

void HollerboxModel::runHardwareChecks(MotionReadinessCheck::Mode mode)
{
    m_hardwareCheckTask.reset();
    stopWelcomeHardwareTest();
    setPlatformHardwareCheck(m_platformCheckProvider());
    if (m_platformHardwareCheck.status != HardwareCheckStatus::ready) {
        m_controller->discardMovementTestPreparation();
        setMotionSensorHardwareCheck(
            {std::string{HardwareCheckTexts::motionSensorNotConfirmed}, HardwareCheckStatus::warning});
        return;
    }
    setMotionSensorHardwareCheck(
        {std::string{HardwareCheckTexts::checkingMotionSensor}, HardwareCheckStatus::checking});
    std::weak_ptr<HollerboxModel*> anchor = m_anchor;
    m_hardwareCheckTask = std::make_unique<MotionReadinessCheck>(
        *m_controller, m_mainQueue, mode, m_hardwareCheckReadinessTimeout,
        m_hardwareCheckReadinessPollInterval, [anchor](MotionReadinessCheck::Outcome outcome) {
            const auto model = anchor.lock();
            if (!model) {
                return;
            }
            if (outcome == MotionReadinessCheck::Outcome::sensorReady) {
                (*model)->setMotionSensorHardwareCheck(
                    {std::string{HardwareCheckTexts::motionSensorReady}, HardwareCheckStatus::ready});
                (*model)->setWelcomeHardwareAlarmTestActive((*model)->m_controller->isMovementTestMode());
            } else {
                (*model)->setMotionSensorHardwareCheck(
                    {std::string{HardwareCheckTexts::motionSensorUnavailable}, HardwareCheckStatus::warning});
                (*model)->setWelcomeHardwareAlarmTestActive(false);
            }
        });
}

void HollerboxModel::stopWelcomeHardwareTest()
{
    if (m_hardwareCheckTask) {
        m_hardwareCheckTask->cancel();
    }
    if (m_controller->isMovementTestMode() || m_controller->isMovementMonitoringAvailable()) {
        m_controller->stopMovementTest();
    }
    m_controller->discardMovementTestPreparation();
    setWelcomeHardwareAlarmTestActive(false);
}

void HollerboxModel::setLaunchAtLoginEnabled(bool enabled)
{
    applyLaunchAtLoginState(m_launchAtLoginManager.setEnabled(enabled));
}

void HollerboxModel::applyLaunchAtLoginState(const LaunchAtLoginState& state)
{
    m_launchAtLoginEnabled = state.enabled;
    m_launchAtLoginSupport = state.support;
    emit launchAtLoginChanged();
}

void HollerboxModel::dismissOnboarding()
{
    m_settings.writeBool(SettingsKeys::hasDismissedOnboarding, true);
    m_settings.sync();
    if (m_showsOnboarding) {
        m_showsOnboarding = false;
        emit showsOnboardingChanged();
    }
}

void HollerboxModel::writeLauncherMessage(const std::string& message)
{
    const auto now = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.now().time_since_epoch()).count(),
        Qt::UTC);
    m_broadcasterLogger.write(BroadcasterFileLogger::launcherLine(now, QString::fromStdString(message)));
}

void HollerboxModel::setPlatformHardwareCheck(HardwareCheckItemState state)
{
    if (state != m_platformHardwareCheck) {
        m_platformHardwareCheck = std::move(state);
        emit hardwareChecksChanged();
    }
}

void HollerboxModel::setMotionSensorHardwareCheck(HardwareCheckItemState state)
{
    if (state != m_motionSensorHardwareCheck) {
        m_motionSensorHardwareCheck = std::move(state);
        emit hardwareChecksChanged();
    }
}

void HollerboxModel::setWelcomeHardwareAlarmTestActive(bool active)
{
    if (active != m_welcomeHardwareAlarmTestActive) {
        m_welcomeHardwareAlarmTestActive = active;
        emit welcomeHardwareAlarmTestActiveChanged();
    }
}

void HollerboxModel::setPreviewPlaying(bool playing)
{
    if (playing != m_isPreviewPlaying) {
        m_isPreviewPlaying = playing;
        emit isPreviewPlayingChanged();
    }
}

void HollerboxModel::setTestAlarmPlaying(bool playing)
{
    if (playing != m_isTestAlarmPlaying) {
        m_isTestAlarmPlaying = playing;
        emit isTestAlarmPlayingChanged();
    }
}

QString HollerboxModel::state() const
{
    return qString(rawValue(m_snapshot.state));
}

QVariant HollerboxModel::secondsUntilNextStage() const
{
    return m_snapshot.secondsUntilNextStage ? QVariant{*m_snapshot.secondsUntilNextStage} : QVariant{};
}

QString HollerboxModel::countdownText() const
{
    return QString::fromStdString(
        PresentationFormatting::countdownText(m_snapshot.secondsUntilNextStage).value_or(std::string{}));
}

QString HollerboxModel::audioReadinessLevel() const
{
    return qString(rawValue(m_snapshot.audioReadiness.level));
}

QStringList HollerboxModel::diagnosticLines() const
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_snapshot.diagnosticLines.size()));
    for (const auto& line : m_snapshot.diagnosticLines) {
        lines.append(QString::fromStdString(line));
    }
    return lines;
}

QVariantList HollerboxModel::liveMovementValues() const
{
    QVariantList values;
    for (const auto& value : m_snapshot.liveMovementValues) {
        values.append(QVariantMap{
            {QStringLiteral("reportID"), static_cast<qlonglong>(value.reportID)},
            {QStringLiteral("usagePage"), static_cast<qlonglong>(value.usagePage)},
            {QStringLiteral("usage"), static_cast<qlonglong>(value.usage)},
            {QStringLiteral("currentValue"), static_cast<qlonglong>(value.currentValue)},
            {QStringLiteral("baselineValue"), optionalNumber(value.baselineValue)},
            {QStringLiteral("lastObservedValue"), optionalNumber(value.lastObservedValue)},
            {QStringLiteral("deltaFromBaseline"), optionalNumber(value.deltaFromBaseline())},
        });
    }
    return values;
}

QDateTime HollerboxModel::lastUpdatedAt() const
{
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_snapshot.lastUpdatedAt.time_since_epoch())
            .count(),
        Qt::UTC);
}

QString HollerboxModel::headline() const
{
    return qString(ProtectionPresentation{m_protectionEnabled, m_snapshot}.headline());
}

QString HollerboxModel::guidanceText() const
{
    return qString(ProtectionPresentation{m_protectionEnabled, m_snapshot}.guidanceText());
}

QString HollerboxModel::statusColorRole() const
{
    return colorRoleName(hollerbox::statusColorRole(m_protectionEnabled, m_snapshot));
}

QString HollerboxModel::menuBarIconName() const
{
    return qString(PresentationFormatting::menuBarIconName(m_protectionEnabled));
}

QString HollerboxModel::alarmVolumePercentageText() const
{
    return QString::fromStdString(PresentationFormatting::volumePercentageText(m_alarmVolumeScalar));
}

QString HollerboxModel::sensitivityLevel() const
{
    return qString(ProtectionSensitivityLevel::nearest(m_movementThreshold).rawValue());
}

QVariantMap HollerboxModel::alarmSoundSelectionValue() const
{
    QVariantMap value{
        {QStringLiteral("title"), QString::fromStdString(m_alarmSoundSelection.title())},
        {QStringLiteral("subtitle"), QString::fromStdString(m_alarmSoundSelection.subtitle())},
    };
    if (const auto sound = m_alarmSoundSelection.builtInSound()) {
        value.insert(QStringLiteral("kind"), QStringLiteral("builtIn"));
        value.insert(QStringLiteral("builtIn"), qString(sound->id()));
    } else {
        value.insert(QStringLiteral("kind"), QStringLiteral("customFile"));
        value.insert(QStringLiteral("path"),
                     QString::fromStdString(m_alarmSoundSelection.customFilePath().value_or("")));
        value.insert(QStringLiteral("displayName"),
                     QString::fromStdString(m_alarmSoundSelection.customDisplayName().value_or("")));
    }
    return value;
}

QVariantList HollerboxModel::builtInAlarmSounds()
{
    QVariantList values;
    for (const auto sound : BuiltInAlarmSound::allCases()) {
        values.append(QVariantMap{
            {QStringLiteral("id"), qString(sound.id())},
            {QStringLiteral("title"), qString(sound.title())},
            {QStringLiteral("description"), qString(sound.description())},
        });
    }
    return values;
}

QVariantList HollerboxModel::sensitivityLevels()
{
    QVariantList values;
    for (const auto level : ProtectionSensitivityLevel::allCases()) {
        values.append(QVariantMap{
            {QStringLiteral("rawValue"), qString(level.rawValue())},
            {QStringLiteral("title"), qString(level.title())},
            {QStringLiteral("description"), qString(level.description())},
        });
    }
    return values;
}

QVariantList HollerboxModel::importedAlarmSoundsValue() const
{
    QVariantList values;
    for (const auto& sound : m_importedAlarmSounds) {
        values.append(QVariantMap{
            {QStringLiteral("id"), sound.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("path"), sound.path},
            {QStringLiteral("displayName"), sound.displayName},
            {QStringLiteral("fileName"), sound.fileName},
        });
    }
    return values;
}

QString HollerboxModel::importedAlarmSoundsSummary() const
{
    return ImportedAlarmSoundLibrary::summaryText(m_importedAlarmSounds.size());
}

QString HollerboxModel::launchAtLoginSupportKind() const
{
    switch (m_launchAtLoginSupport.kind()) {
    case LaunchAtLoginSupport::Kind::available:
        return QStringLiteral("available");
    case LaunchAtLoginSupport::Kind::requiresApproval:
        return QStringLiteral("requiresApproval");
    case LaunchAtLoginSupport::Kind::unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}

QString HollerboxModel::launchAtLoginMessage() const
{
    return m_launchAtLoginSupport.message();
}

QString HollerboxModel::platformHardwareCheckTitle() const
{
    return QString::fromStdString(m_platformHardwareCheck.title);
}

QString HollerboxModel::platformHardwareCheckStatus() const
{
    return statusName(m_platformHardwareCheck.status);
}

QString HollerboxModel::motionSensorHardwareCheckTitle() const
{
    return QString::fromStdString(m_motionSensorHardwareCheck.title);
}

QString HollerboxModel::motionSensorHardwareCheckStatus() const
{
    return statusName(m_motionSensorHardwareCheck.status);
}

} // namespace hollerbox
