#pragma once

#include "CallLog.h"
#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeLockStateMonitor.h"
#include "FakeMovementMonitor.h"
#include "FakePowerAssertionLease.h"
#include "FakeRootDomainReader.h"
#include "VirtualClock.h"
#include "VirtualMainQueue.h"
#include "app/FakeBackgroundMonitorLauncher.h"
#include "audio/FakeAudioFilePlayerFactory.h"
#include "audio/FakeAudioHardware.h"
#include "audio/FakeBackgroundWorker.h"
#include "audio/FakeResourceDirectories.h"
#include "model/HollerboxModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hollerbox::testing {

/// A model on fakes in virtual time, with its files in a private directory.
class ModelFixture : public ::testing::Test
{
protected:
    static constexpr std::chrono::milliseconds tick{250};

    QString path(const QString& name) const { return directory.filePath(name); }
    QString settingsPath() const { return path(QStringLiteral("config/Hollerbox/Hollerbox.conf")); }

    /// Writes the settings file as raw text before the model reads it.
    void writeSettings(const QByteArray& text)
    {
        QDir{}.mkpath(path(QStringLiteral("config/Hollerbox")));
        QFile file{settingsPath()};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray settingsText() const
    {
        QFile file{settingsPath()};
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
    }

    void build()
    {
        auto fakeLauncher = std::make_unique<FakeBackgroundMonitorLauncher>();
        fakeLauncher->startSucceeds = launcherStartSucceeds;
        fakeLauncher->leftRunning = monitorLeftRunning;
        launcher = fakeLauncher.get();
        HollerboxModel::Services services{queue, clock};
        services.makeController = [this](const ProtectionConfiguration& configuration) {
            auto lockMonitor = std::make_unique<FakeLockStateMonitor>(calls);
            auto monitor = std::make_unique<FakeMovementMonitor>(calls, &clock);
            lock = lockMonitor.get();
            movement = monitor.get();
            movement->prepareResult = sensorPrepares;
            initialConfiguration = configuration;
            return std::make_unique<OpenLidAlarmController>(
                configuration, std::make_unique<FakeRootDomainReader>(), std::move(lockMonitor),
                std::make_unique<FakeAlarmPlayer>(calls, clock),
                std::make_unique<FakePowerAssertionLease>(calls), std::move(monitor),
                std::make_unique<FakeAudioReadinessProbe>(), clock, queue);
        };
        services.makePreviewController = [this] {
            return std::make_unique<AlarmPreviewController>(
                std::make_unique<SystemAudioOverrideController>(hardware), players, sounds, queue, worker,
                clock);
        };
        services.backgroundMonitorLauncher = std::move(fakeLauncher);
        services.platformCheckProvider = [this] { return platformCheck; };
        services.settingsFilePath = settingsPath();
        services.importedAlarmsDirectory = path(QStringLiteral("data/Hollerbox/ImportedAlarms"));
        services.applicationLogPath = path(QStringLiteral("state/Logs/Hollerbox/menubar-broadcaster.log"));
        services.launchAtLoginManager = LaunchAtLoginManager{
            path(QStringLiteral("prefix/bin/hollerbox")),
            path(QStringLiteral("prefix/share/applications/org.hollerbox.Hollerbox.desktop")),
            path(QStringLiteral("config/autostart/org.hollerbox.Hollerbox.desktop"))};
        model = std::make_unique<HollerboxModel>(std::move(services));
    }

    void ticks(int count) { queue.advanceBy(std::chrono::microseconds{tick} * count); }

    void setLocked(bool locked)
    {
        lock->lockedAfterRefresh = locked;
        ticks(1);
    }

    QStringList applicationLog() const
    {
        QFile file{path(QStringLiteral("state/Logs/Hollerbox/menubar-broadcaster.log"))};
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir directory;
    VirtualClock clock;
    VirtualMainQueue queue{clock};
    std::shared_ptr<CallLog> calls = std::make_shared<CallLog>();
    FakeAudioHardware hardware;
    FakeAudioFilePlayerFactory players;
    FakeResourceDirectories resources;
    BuiltInSoundLocator sounds{resources, BuiltInSoundLocator::Scope::programResourcesOnly};
    FakeBackgroundWorker worker{queue};

    HardwareCheckItemState platformCheck{"Apple Silicon MacBook detected", HardwareCheckStatus::ready};
    bool sensorPrepares = true;
    bool launcherStartSucceeds = true;
    bool monitorLeftRunning = false;

    FakeLockStateMonitor* lock = nullptr;
    FakeMovementMonitor* movement = nullptr;
    FakeBackgroundMonitorLauncher* launcher = nullptr;
    ProtectionConfiguration initialConfiguration;
    std::unique_ptr<HollerboxModel> model;
};

} // namespace hollerbox::testing
