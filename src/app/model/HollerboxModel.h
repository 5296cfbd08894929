#pragma once

#include "AppLocations.h"
#include "MotionReadinessCheck.h"
#include "audio/AlarmPreviewController.h"
#include "audio/AlarmSoundSelection.h"
#include "engine/OpenLidAlarmController.h"
#include "model/checks/HardwareCheckItemState.h"
#include "model/launch/BackgroundMonitorLaunching.h"
#include "model/launch/BroadcasterFileLogger.h"
#include "model/login/LaunchAtLoginManager.h"
#include "model/report/AlarmReporter.h"
#include "model/settings/SettingsStore.h"
#include "model/sounds/ImportedAlarmSound.h"
#include "model/sounds/ImportedAlarmSoundLibrary.h"
#include "ports/Clock.h"
#include "ports/MainQueue.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace hollerbox {

/// The tray application's one state object: owns its protection controller, loads and saves the settings,
/// hands the watch to the background monitor while the screen is locked, runs the hardware checks and
/// manages custom sounds. Every window reads and changes the system through it. Main thread only.
class HollerboxModel final : public QObject
{
    Q_OBJECT

    // The controller's latest snapshot: snapshotChanged and presentationChanged come only when something
    // besides the time of the decision changed, lastUpdatedAtChanged with every snapshot.
    Q_PROPERTY(QString state READ state NOTIFY snapshotChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY snapshotChanged)
    Q_PROPERTY(QString detailText READ detailText NOTIFY snapshotChanged)
    Q_PROPERTY(bool isScreenLocked READ isScreenLocked NOTIFY snapshotChanged)
    Q_PROPERTY(bool isLidClosed READ isLidClosed NOTIFY snapshotChanged)
    Q_PROPERTY(QVariant secondsUntilNextStage READ secondsUntilNextStage NOTIFY snapshotChanged)
    Q_PROPERTY(QString countdownText READ countdownText NOTIFY snapshotChanged)
    Q_PROPERTY(QString audioReadinessLevel READ audioReadinessLevel NOTIFY snapshotChanged)
    Q_PROPERTY(QString audioReadinessTitle READ audioReadinessTitle NOTIFY snapshotChanged)
    Q_PROPERTY(QString audioReadinessDetail READ audioReadinessDetail NOTIFY snapshotChanged)
    Q_PROPERTY(QStringList diagnosticLines READ diagnosticLines NOTIFY snapshotChanged)
    Q_PROPERTY(QVariantList liveMovementValues READ liveMovementValues NOTIFY snapshotChanged)
    Q_PROPERTY(QDateTime lastUpdatedAt READ lastUpdatedAt NOTIFY lastUpdatedAtChanged)

    // Presentation of the snapshot and the protection switch.
    Q_PROPERTY(QString headline READ headline NOTIFY presentationChanged)
    Q_PROPERTY(QString guidanceText READ guidanceText NOTIFY presentationChanged)
    Q_PROPERTY(QString statusColorRole READ statusColorRole NOTIFY presentationChanged)
    Q_PROPERTY(QString menuBarIconName READ menuBarIconName NOTIFY protectionEnabledChanged)

    // Settings.
    Q_PROPERTY(bool showsOnboarding READ showsOnboarding NOTIFY showsOnboardingChanged)
    Q_PROPERTY(bool protectionEnabled READ protectionEnabled WRITE setProtectionEnabled NOTIFY
                   protectionEnabledChanged)
    Q_PROPERTY(double armDelaySeconds READ armDelaySeconds WRITE setArmDelaySeconds NOTIFY settingsChanged)
    Q_PROPERTY(
        double movementThreshold READ movementThreshold WRITE setMovementThreshold NOTIFY settingsChanged)
    Q_PROPERTY(
        double alarmVolumeScalar READ alarmVolumeScalar WRITE setAlarmVolumeScalar NOTIFY settingsChanged)
    Q_PROPERTY(QString alarmVolumePercentageText READ alarmVolumePercentageText NOTIFY settingsChanged)
    Q_PROPERTY(double triggerDelaySeconds READ triggerDelaySeconds WRITE setTriggerDelaySeconds NOTIFY
                   settingsChanged)
    Q_PROPERTY(double alarmRepeatIntervalSeconds READ alarmRepeatIntervalSeconds WRITE
                   setAlarmRepeatIntervalSeconds NOTIFY settingsChanged)
    Q_PROPERTY(
        QString sensitivityLevel READ sensitivityLevel WRITE setSensitivityLevel NOTIFY settingsChanged)
    Q_PROPERTY(QVariantMap alarmSoundSelection READ alarmSoundSelectionValue NOTIFY settingsChanged)

    // Constant tables the views list.
    Q_PROPERTY(QVariantList builtInAlarmSounds READ builtInAlarmSounds CONSTANT)
    Q_PROPERTY(QVariantList sensitivityLevels READ sensitivityLevels CONSTANT)

    // Custom sounds and playback.
    Q_PROPERTY(
        QVariantList importedAlarmSounds READ importedAlarmSoundsValue NOTIFY importedAlarmSoundsChanged)
    Q_PROPERTY(
        QString importedAlarmSoundsSummary READ importedAlarmSoundsSummary NOTIFY importedAlarmSoundsChanged)
    Q_PROPERTY(bool isPreviewPlaying READ isPreviewPlaying NOTIFY isPreviewPlayingChanged)
    Q_PROPERTY(bool isTestAlarmPlaying READ isTestAlarmPlaying NOTIFY isTestAlarmPlayingChanged)

    // Launch at login.
    Q_PROPERTY(bool launchAtLoginEnabled READ launchAtLoginEnabled WRITE setLaunchAtLoginEnabled NOTIFY
                   launchAtLoginChanged)
    Q_PROPERTY(QString launchAtLoginSupport READ launchAtLoginSupportKind NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString launchAtLoginMessage READ launchAtLoginMessage NOTIFY launchAtLoginChanged)

    // Hardware checks.
    Q_PROPERTY(
        QString platformHardwareCheckTitle READ platformHardwareCheckTitle NOTIFY hardwareChecksChanged)
    Q_PROPERTY(
        QString platformHardwareCheckStatus READ platformHardwareCheckStatus NOTIFY hardwareChecksChanged)
    Q_PROPERTY(QString motionSensorHardwareCheckTitle READ motionSensorHardwareCheckTitle NOTIFY
                   hardwareChecksChanged)
    Q_PROPERTY(QString motionSensorHardwareCheckStatus READ motionSensorHardwareCheckStatus NOTIFY
                   hardwareChecksChanged)
    Q_PROPERTY(bool welcomeHardwareAlarmTestActive READ welcomeHardwareAlarmTestActive NOTIFY
                   welcomeHardwareAlarmTestActiveChanged)

public:
    /// What the model is built from; every part can be replaced for tests.
    struct Services
    {
        Services(MainQueue& queue, const Clock& wallClock) : mainQueue(queue), clock(wallClock) {}

        MainQueue& mainQueue;
        const Clock& clock;
        /// Builds the application's controller with the configuration read from the settings.
        std::function<std::unique_ptr<OpenLidAlarmController>(const ProtectionConfiguration&)> makeController;
        /// Builds one preview player with its own output override (called twice).
        std::function<std::unique_ptr<AlarmPreviewController>()> makePreviewController;
        std::unique_ptr<BackgroundMonitorLaunching> backgroundMonitorLauncher;
        std::function<HardwareCheckItemState()> platformCheckProvider;
        QString settingsFilePath = SettingsStore::defaultFilePath();
        QString importedAlarmsDirectory = AppLocations::importedAlarmsDirectory();
        QString applicationLogPath = BroadcasterFileLogger::defaultLogFilePath();
        /// Shows the report after an alarm on the desktop; none: the report only goes to the application log.
        std::unique_ptr<DesktopNotifier> desktopNotifier;
        LaunchAtLoginManager launchAtLoginManager;
        std::chrono::milliseconds hardwareCheckReadinessTimeout{3000};
        std::chrono::milliseconds hardwareCheckReadinessPollInterval{50};
    };

    explicit HollerboxModel(Services services, QObject* parent = nullptr);
    ~HollerboxModel() override;

    const OpenLidAlarmSnapshot& snapshot() const { return m_snapshot; }
    OpenLidAlarmController& controller() { return *m_controller; }

    QString state() const;
    QString statusText() const { return QString::fromStdString(m_snapshot.statusText); }
    QString detailText() const { return QString::fromStdString(m_snapshot.detailText); }
    bool isScreenLocked() const { return m_snapshot.isScreenLocked; }
    bool isLidClosed() const { return m_snapshot.isLidClosed; }
    QVariant secondsUntilNextStage() const;
    QString countdownText() const;
    QString audioReadinessLevel() const;
    QString audioReadinessTitle() const { return QString::fromStdString(m_snapshot.audioReadiness.title); }
    QString audioReadinessDetail() const { return QString::fromStdString(m_snapshot.audioReadiness.detail); }
    QStringList diagnosticLines() const;
    QVariantList liveMovementValues() const;
    QDateTime lastUpdatedAt() const;

    QString headline() const;
    QString guidanceText() const;
    QString statusColorRole() const;
    QString menuBarIconName() const;

    bool showsOnboarding() const { return m_showsOnboarding; }
    bool protectionEnabled() const { return m_protectionEnabled; }
    double armDelaySeconds() const { return m_armDelaySeconds; }
    double movementThreshold() const { return m_movementThreshold; }
    double alarmVolumeScalar() const { return m_alarmVolumeScalar; }
    QString alarmVolumePercentageText() const;
    double triggerDelaySeconds() const { return m_triggerDelaySeconds; }
    double alarmRepeatIntervalSeconds() const { return m_alarmRepeatIntervalSeconds; }
    QString sensitivityLevel() const;
    const AlarmSoundSelection& alarmSoundSelection() const { return m_alarmSoundSelection; }
    QVariantMap alarmSoundSelectionValue() const;
    /// Every built-in sound in catalog order, each as {id, title, description}.
    static QVariantList builtInAlarmSounds();
    /// Every sensitivity level in picker order, each as {rawValue, title, description}.
    static QVariantList sensitivityLevels();

    const QList<ImportedAlarmSound>& importedAlarmSounds() const { return m_importedAlarmSounds; }
    QVariantList importedAlarmSoundsValue() const;
    QString importedAlarmSoundsSummary() const;
    bool isPreviewPlaying() const { return m_isPreviewPlaying; }
    bool isTestAlarmPlaying() const { return m_isTestAlarmPlaying; }

    bool launchAtLoginEnabled() const { return m_launchAtLoginEnabled; }
    const LaunchAtLoginSupport& launchAtLoginSupport() const { return m_launchAtLoginSupport; }
    QString launchAtLoginSupportKind() const;
    QString launchAtLoginMessage() const;

    const HardwareCheckItemState& platformHardwareCheck() const { return m_platformHardwareCheck; }
    const HardwareCheckItemState& motionSensorHardwareCheck() const { return m_motionSensorHardwareCheck; }
    QString platformHardwareCheckTitle() const;
    QString platformHardwareCheckStatus() const;
    QString motionSensorHardwareCheckTitle() const;
    QString motionSensorHardwareCheckStatus() const;
    bool welcomeHardwareAlarmTestActive() const { return m_welcomeHardwareAlarmTestActive; }

    void setArmDelaySeconds(double value);
    void setMovementThreshold(double value);
    void setAlarmVolumeScalar(double value);
    void setTriggerDelaySeconds(double value);
    void setAlarmRepeatIntervalSeconds(double value);
    void setAlarmSoundSelection(const AlarmSoundSelection& selection);
    /// Sets the threshold of the preset with this raw value ("low", "medium", "high"); others are ignored.
    void setSensitivityLevel(const QString& rawValue);

    /// Imports the file at `sourcePath` and selects it; the failure, if any.
    std::optional<AlarmImportFailure> importAlarmSound(const QString& sourcePath);
    void deleteImportedAlarmSound(const ImportedAlarmSound& sound);

    Q_INVOKABLE void setProtectionEnabled(bool enabled);
    Q_INVOKABLE void persistSettingsAndApply();
    Q_INVOKABLE void runHardwareChecks();
    Q_INVOKABLE void stopWelcomeHardwareTest();
    Q_INVOKABLE void toggleTestAlarm();
    Q_INVOKABLE void togglePreview();
    Q_INVOKABLE void triggerAlarmNow();
    Q_INVOKABLE void setLaunchAtLoginEnabled(bool enabled);
    /// Records that the welcome flow was completed, so it is not shown at the next start.
    Q_INVOKABLE void dismissOnboarding();
    /// Selects a built-in sound by its id ("handsOff", …); unknown ids are ignored.
    Q_INVOKABLE void selectBuiltInAlarmSound(const QString& id);
    /// Selects the imported sound with this id; unknown ids are ignored.
    Q_INVOKABLE void selectImportedAlarmSound(const QString& id);
    /// Imports a file given as a path or a file URL; the error description, or an empty text on success.
    Q_INVOKABLE QString importAlarmSoundFile(const QString& pathOrUrl);
    /// Deletes the imported sound with this id; unknown ids are ignored.
    Q_INVOKABLE void deleteImportedAlarmSoundWithId(const QString& id);

signals:
    void snapshotChanged();
    void lastUpdatedAtChanged();
    void presentationChanged();
    void showsOnboardingChanged();
    void protectionEnabledChanged();
    void settingsChanged();
    void importedAlarmSoundsChanged();
    void isPreviewPlayingChanged();
    void isTestAlarmPlayingChanged();
    void launchAtLoginChanged();
    void hardwareChecksChanged();
    void welcomeHardwareAlarmTestActiveChanged();

private:
    class DelegateBridge;

    void alarmControllerDidUpdate(const OpenLidAlarmSnapshot& snapshot);
    /// While the background monitor keeps the watch, the controller only observes: it gives back the
    /// sensor (whose readings would cost the main thread a wake-up per report) and its sleep lease.
    void releaseSensorWhileHandedOver();
    /// The monitor no longer runs while the controller, locked, had given its sensor back: it arms anew.
    void takeTheWatchBack();
    void runHardwareChecks(MotionReadinessCheck::Mode mode);
    ProtectionConfiguration configuration() const;
    void storeImportedAlarmSounds(QList<ImportedAlarmSound> sounds);
    void setPlatformHardwareCheck(HardwareCheckItemState state);
    void setMotionSensorHardwareCheck(HardwareCheckItemState state);
    void setWelcomeHardwareAlarmTestActive(bool active);
    void setPreviewPlaying(bool playing);
    void setTestAlarmPlaying(bool playing);
    void writeLauncherMessage(const std::string& message);
    void applyLaunchAtLoginState(const LaunchAtLoginState& state);

    MainQueue& m_mainQueue;
    const Clock& m_clock;
    SettingsStore m_settings;
    ImportedAlarmSoundLibrary m_soundLibrary;
    BroadcasterFileLogger m_broadcasterLogger;
    LaunchAtLoginManager m_launchAtLoginManager;
    std::function<HardwareCheckItemState()> m_platformCheckProvider;
    std::chrono::milliseconds m_hardwareCheckReadinessTimeout{3000};
    std::chrono::milliseconds m_hardwareCheckReadinessPollInterval{50};

    OpenLidAlarmSnapshot m_snapshot;
    bool m_showsOnboarding = true;
    bool m_protectionEnabled = true;
    double m_armDelaySeconds = 2.0;
    double m_movementThreshold = 0.05;
    double m_alarmVolumeScalar = static_cast<double>(0.65F);
    double m_triggerDelaySeconds = 0.0;
    double m_alarmRepeatIntervalSeconds = 2.0;
    AlarmSoundSelection m_alarmSoundSelection = AlarmSoundSelection::defaultSelection();
    QList<ImportedAlarmSound> m_importedAlarmSounds;
    bool m_isPreviewPlaying = false;
    bool m_isTestAlarmPlaying = false;
    bool m_launchAtLoginEnabled = false;
    LaunchAtLoginSupport m_launchAtLoginSupport = LaunchAtLoginSupport::available();
    HardwareCheckItemState m_platformHardwareCheck;
    HardwareCheckItemState m_motionSensorHardwareCheck;
    bool m_welcomeHardwareAlarmTestActive = false;
    /// Whether the background monitor ran at the latest locked snapshot.
    bool m_watchHandedOver = false;

    std::unique_ptr<AlarmPreviewController> m_alarmPreviewController;
    std::unique_ptr<AlarmPreviewController> m_testAlarmController;
    std::unique_ptr<BackgroundMonitorLaunching> m_backgroundMonitorLauncher;
    std::unique_ptr<OpenLidAlarmController> m_controller;
    std::shared_ptr<DelegateBridge> m_delegateBridge;
    std::unique_ptr<MotionReadinessCheck> m_hardwareCheckTask;
    std::unique_ptr<AlarmReporter> m_alarmReporter;
    /// Whether a monitor watched since the last unlocked snapshot, so that the newest monitor log is its.
    bool m_monitorWatchedThisLock = false;
    // Callbacks handed to other objects hold this weakly and do nothing once the model is gone.
    std::shared_ptr<HollerboxModel*> m_anchor = std::make_shared<HollerboxModel*>(this);
};

} // namespace hollerbox
