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
#include "model/settings/SettingsStore.h"
#include "model/updates/AppUpdaterController.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

namespace hollerbox::testing {

/// A model on fakes in virtual time for the views' tests, with its files in a private directory. Create it in
/// QML, set the stored settings if any, then call `start()`; drive the fakes through the invokables.
class ModelOnFakes : public QObject
{
    Q_OBJECT
    Q_PROPERTY(hollerbox::HollerboxModel* model READ model NOTIFY started)
    Q_PROPERTY(hollerbox::AppUpdaterController* updater READ updater NOTIFY started)
    Q_PROPERTY(QString settingsText READ settingsText WRITE setSettingsText)
    Q_PROPERTY(bool platformReady MEMBER m_platformReady)
    Q_PROPERTY(bool sensorAnswers MEMBER m_sensorAnswers)

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
    Q_INVOKABLE int monitorLaunches() const { return m_launcher ? m_launcher->launches : 0; }

signals:
    void started();

private:
    QString path(const QString& name) const { return m_directory.filePath(name); }

    QTemporaryDir m_directory;
    VirtualClock m_clock;
    VirtualMainQueue m_queue{m_clock};
    std::shared_ptr<CallLog> m_calls = std::make_shared<CallLog>();
    FakeAudioHardware m_hardware;
    FakeAudioFilePlayerFactory m_players;
    FakeResourceDirectories m_resources;
    BuiltInSoundLocator m_sounds{m_resources, BuiltInSoundLocator::Scope::programResourcesOnly};
    FakeBackgroundWorker m_worker{m_queue};
    bool m_platformReady = true;
    bool m_sensorAnswers = true;
    FakeLockStateMonitor* m_lock = nullptr;
    FakeMovementMonitor* m_movement = nullptr;
    FakeBackgroundMonitorLauncher* m_launcher = nullptr;
    std::unique_ptr<HollerboxModel> m_model;
    std::unique_ptr<SettingsStore> m_updaterSettings;
    std::unique_ptr<AppUpdaterController> m_updater;
};

} // namespace hollerbox::testing
