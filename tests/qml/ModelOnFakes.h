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
#include "app/FakeDesktopNotifier.h"
#include "audio/FakeAudioFilePlayerFactory.h"
#include "audio/FakeAudioHardware.h"
#include "audio/FakeBackgroundWorker.h"
#include "audio/FakeResourceDirectories.h"
#include "model/HollerboxModel.h"
#include "model/settings/SettingsStore.h"
#include "model/updates/AppUpdaterController.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

namespace hollerbox::testing {

/// A model on fakes in virtual time, with its files in a private directory, for the views' tests (create it
/// in QML, set the stored settings if any, call `start()`, drive it through the invokables) and for C++
/// tests, which set the public knobs before `start()` and reach the fakes directly.
class ModelOnFakes : public QObject
{
    Q_OBJECT
    Q_PROPERTY(hollerbox::HollerboxModel* model READ model NOTIFY started)
    Q_PROPERTY(hollerbox::AppUpdaterController* updater READ updater NOTIFY started)
    Q_PROPERTY(QString settingsText READ settingsText WRITE setSettingsText)
    Q_PROPERTY(bool platformReady READ platformReady WRITE setPlatformReady)
    Q_PROPERTY(bool sensorAnswers MEMBER sensorAnswers)

public:
    explicit ModelOnFakes(QObject* parent = nullptr);
    ~ModelOnFakes() override;

    HollerboxModel* model() const { return m_model.get(); }
    /// The updater of a Linux build, on the model's settings file: updates are unavailable.
    AppUpdaterController* updater() const { return m_updater.get(); }
    /// The settings file as text; written before `start()` it is what the model reads.
    QString settingsText() const;
    void setSettingsText(const QString& text);

    /// Builds the model and the updater.
    Q_INVOKABLE void start();
    /// Locks or unlocks the screen and runs one tick.
    Q_INVOKABLE void setLocked(bool locked);
    /// Runs the virtual clock forward by `milliseconds`.
    Q_INVOKABLE void advance(int milliseconds);
    /// Writes a small file at the relative path `name` in the private directory and returns its path; the
    /// application's desktop entry "prefix/share/applications/org.hollerbox.Hollerbox.desktop" written before
    /// `start()` makes launch at login available.
    Q_INVOKABLE QString makeFile(const QString& name, int bytes);
    /// How many monitors the fake launcher started.
    Q_INVOKABLE int monitorLaunches() const { return launcher != nullptr ? launcher->launches : 0; }

    bool platformReady() const { return platformCheck.status == HardwareCheckStatus::ready; }
    void setPlatformReady(bool ready);
    /// The path of `name` in the private directory.
    QString path(const QString& name) const { return m_directory.filePath(name); }
    QString settingsPath() const { return path(QStringLiteral("config/Hollerbox/Hollerbox.conf")); }
    QString monitorLogPointerPath() const
    {
        return path(QStringLiteral("state/Logs/Hollerbox/background-monitor/latest-log-path.txt"));
    }
    /// Destroys the model, as quitting does.
    void stop() { m_model.reset(); }

    // Knobs, read by `start()`.
    HardwareCheckItemState platformCheck{"Apple Silicon MacBook detected", HardwareCheckStatus::ready};
    bool sensorPrepares = true;
    /// Whether the accelerometer has a reading from the start.
    bool sensorAnswers = true;
    bool launcherStartSucceeds = true;
    bool monitorLeftRunning = false;

    // The fakes; the pointers are set by `start()`.
    VirtualClock clock;
    VirtualMainQueue queue{clock};
    FakeAudioHardware hardware;
    FakeBackgroundWorker worker{queue};
    FakeLockStateMonitor* lock = nullptr;
    FakeMovementMonitor* movement = nullptr;
    FakeBackgroundMonitorLauncher* launcher = nullptr;
    /// What the model showed on the desktop; it reads the monitor log named by `monitorLogPointerPath()`.
    std::shared_ptr<FakeDesktopNotifier::Record> notifications =
        std::make_shared<FakeDesktopNotifier::Record>();
    /// The configuration the controller was built with.
    ProtectionConfiguration initialConfiguration;

signals:
    void started();

private:
    QTemporaryDir m_directory;
    std::shared_ptr<CallLog> m_calls = std::make_shared<CallLog>();
    FakeAudioFilePlayerFactory m_players;
    FakeResourceDirectories m_resources;
    BuiltInSoundLocator m_sounds{m_resources, BuiltInSoundLocator::Scope::programResourcesOnly};
    std::unique_ptr<HollerboxModel> m_model;
    std::unique_ptr<SettingsStore> m_updaterSettings;
    std::unique_ptr<AppUpdaterController> m_updater;
};

} // namespace hollerbox::testing
