#include "ModelOnFakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hollerbox::testing {

ModelOnFakes::ModelOnFakes(QObject* parent) : QObject(parent)
{
    m_hardware.defaultDevice = 1;
    m_hardware.devices[1] = FakeAudioHardware::stereoDevice(1, 0.2F);
}

ModelOnFakes::~ModelOnFakes() = default;

QString ModelOnFakes::settingsText() const
{
    QFile file{path(QStringLiteral("config/Hollerbox/Hollerbox.conf"))};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

void ModelOnFakes::setSettingsText(const QString& text)
{
    QDir{}.mkpath(path(QStringLiteral("config/Hollerbox")));
    QFile file{path(QStringLiteral("config/Hollerbox/Hollerbox.conf"))};
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
}

void ModelOnFakes::start()
{
    auto launcher = std::make_unique<FakeBackgroundMonitorLauncher>();
    m_launcher = launcher.get();
    HollerboxModel::Services services{m_queue, m_clock};
    services.makeController = [this](const ProtectionConfiguration& configuration) {
        auto lockMonitor = std::make_unique<FakeLockStateMonitor>(m_calls);
        auto movement = std::make_unique<FakeMovementMonitor>(m_calls, &m_clock);
        m_lock = lockMonitor.get();
        m_movement = movement.get();
        if (m_sensorAnswers) {
            m_movement->values = {MovementMonitorLiveValue{}};
        }
        return std::make_unique<OpenLidAlarmController>(
            configuration, std::make_unique<FakeRootDomainReader>(), std::move(lockMonitor),
            std::make_unique<FakeAlarmPlayer>(m_calls, m_clock),
            std::make_unique<FakePowerAssertionLease>(m_calls), std::move(movement),
            std::make_unique<FakeAudioReadinessProbe>(), m_clock, m_queue);
    };
    services.makePreviewController = [this] {
        return std::make_unique<AlarmPreviewController>(
            std::make_unique<SystemAudioOverrideController>(m_hardware), m_players, m_sounds, m_queue,
            m_worker, m_clock);
    };
    services.backgroundMonitorLauncher = std::move(launcher);
    services.platformCheckProvider = [this] {
        return m_platformReady
                   ? HardwareCheckItemState{"Apple Silicon MacBook detected", HardwareCheckStatus::ready}
                   : HardwareCheckItemState{"MacBook hardware required", HardwareCheckStatus::warning};
    };
    services.settingsFilePath = path(QStringLiteral("config/Hollerbox/Hollerbox.conf"));
    services.importedAlarmsDirectory = path(QStringLiteral("data/Hollerbox/ImportedAlarms"));
    services.applicationLogPath = path(QStringLiteral("state/Logs/Hollerbox/menubar-broadcaster.log"));
    services.launchAtLoginManager = LaunchAtLoginManager{
        path(QStringLiteral("prefix/bin/hollerbox")),
        path(QStringLiteral("prefix/share/applications/org.hollerbox.Hollerbox.desktop")),
        path(QStringLiteral("config/autostart/org.hollerbox.Hollerbox.desktop"))};
    m_model = std::make_unique<HollerboxModel>(std::move(services));
    m_updaterSettings =
        std::make_unique<SettingsStore>(path(QStringLiteral("config/Hollerbox/Hollerbox.conf")));
    m_updater = std::make_unique<AppUpdaterController>(path(QStringLiteral("prefix/bin")), QVariantMap{},
                                                       *m_updaterSettings);
    m_queue.runPending();
    emit started();
}

void ModelOnFakes::setLocked(bool locked)
{
    if (m_lock != nullptr) {
        m_lock->lockedAfterRefresh = locked;
        advance(250);
    }
}

void ModelOnFakes::advance(int milliseconds)
{
    m_queue.advanceBy(std::chrono::milliseconds{milliseconds});
    m_worker.runAll();
    m_queue.runPending();
}

QString ModelOnFakes::makeFile(const QString& name, int bytes)
{
    QFile file{path(name)};
    QDir{}.mkpath(QFileInfo{file}.absolutePath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray(bytes, 'x'));
    }
    return file.fileName();
}

} // namespace hollerbox::testing
