#include "ModelOnFakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace hollerbox::testing {

ModelOnFakes::ModelOnFakes(QObject* parent) : QObject(parent)
{
    hardware.defaultDevice = 1;
    hardware.devices[1] = FakeAudioHardware::stereoDevice(1, 0.2F);
}

ModelOnFakes::~ModelOnFakes() = default;

QString ModelOnFakes::settingsText() const
{
    QFile file{settingsPath()};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

void ModelOnFakes::setSettingsText(const QString& text)
{
    QDir{}.mkpath(path(QStringLiteral("config/Hollerbox")));
    QFile file{settingsPath()};
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
}

void ModelOnFakes::setPlatformReady(bool ready)
{
    platformCheck = ready
                        ? HardwareCheckItemState{"Apple Silicon MacBook detected", HardwareCheckStatus::ready}
                        : HardwareCheckItemState{"MacBook hardware required", HardwareCheckStatus::warning};
}

void ModelOnFakes::start()
{
    auto fakeLauncher = std::make_unique<FakeBackgroundMonitorLauncher>();
    fakeLauncher->startSucceeds = launcherStartSucceeds;
    fakeLauncher->leftRunning = monitorLeftRunning;
    fakeLauncher->logPointerPath = monitorLogPointerPath();
    launcher = fakeLauncher.get();
    HollerboxModel::Services services{queue, clock};
    services.makeController = [this](const ProtectionConfiguration& configuration) {
        auto lockMonitor = std::make_unique<FakeLockStateMonitor>(m_calls);
        auto movementMonitor = std::make_unique<FakeMovementMonitor>(m_calls, &clock);
        lock = lockMonitor.get();
        movement = movementMonitor.get();
        movement->prepareResult = sensorPrepares;
        if (sensorAnswers) {
            movement->values = {MovementMonitorLiveValue{}};
        }
        initialConfiguration = configuration;
        return std::make_unique<OpenLidAlarmController>(
            configuration, std::make_unique<FakeRootDomainReader>(), std::move(lockMonitor),
            std::make_unique<FakeAlarmPlayer>(m_calls, clock),
            std::make_unique<FakePowerAssertionLease>(m_calls), std::move(movementMonitor),
            std::make_unique<FakeAudioReadinessProbe>(), clock, queue);
    };
    services.makePreviewController = [this] {
        return std::make_unique<AlarmPreviewController>(
            std::make_unique<SystemAudioOverrideController>(hardware), m_players, m_sounds, queue, worker,
            clock);
    };
    services.backgroundMonitorLauncher = std::move(fakeLauncher);
    services.platformCheckProvider = [this] { return platformCheck; };
    services.settingsFilePath = settingsPath();
    services.importedAlarmsDirectory = path(QStringLiteral("data/Hollerbox/ImportedAlarms"));
    services.applicationLogPath = path(QStringLiteral("state/Logs/Hollerbox/menubar-broadcaster.log"));
    services.desktopNotifier = std::make_unique<FakeDesktopNotifier>(notifications);
    services.launchAtLoginManager = LaunchAtLoginManager{
        path(QStringLiteral("prefix/bin/hollerbox")),
        path(QStringLiteral("prefix/share/applications/org.hollerbox.Hollerbox.desktop")),
        path(QStringLiteral("config/autostart/org.hollerbox.Hollerbox.desktop"))};
    m_model = std::make_unique<HollerboxModel>(std::move(services));
    m_updaterSettings = std::make_unique<SettingsStore>(settingsPath());
    m_updater = std::make_unique<AppUpdaterController>(path(QStringLiteral("prefix/bin")), QVariantMap{},
                                                       *m_updaterSettings);
    queue.runPending();
    emit started();
}

void ModelOnFakes::setLocked(bool locked)
{
    if (lock != nullptr) {
        lock->lockedAfterRefresh = locked;
        advance(250);
    }
}

void ModelOnFakes::advance(int milliseconds)
{
    // In steps, so that work finished in the background can start the timers that follow it.
    constexpr int step = 10;
    for (int done = 0; done < milliseconds; done += step) {
        queue.advanceBy(std::chrono::milliseconds{std::min(step, milliseconds - done)});
        while (worker.runAll() > 0) {
            queue.runPending();
        }
    }
    queue.runPending();
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
