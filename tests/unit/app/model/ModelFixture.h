#pragma once

#include "ModelOnFakes.h"

#include <QFile>
#include <gtest/gtest.h>

namespace hollerbox::testing {

/// A model on fakes in virtual time, with its files in a private directory. Set the knobs of `fakes`, then
/// `build()`.
class ModelFixture : public ::testing::Test
{
protected:
    static constexpr std::chrono::milliseconds tick{250};

    ModelFixture() { fakes.sensorAnswers = false; }

    QString path(const QString& name) const { return fakes.path(name); }
    QString settingsPath() const { return fakes.settingsPath(); }
    void writeSettings(const QByteArray& text) { fakes.setSettingsText(QString::fromUtf8(text)); }
    QByteArray settingsText() const { return fakes.settingsText().toUtf8(); }

    void build()
    {
        fakes.start();
        model = fakes.model();
        lock = fakes.lock;
        movement = fakes.movement;
        launcher = fakes.launcher;
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

    ModelOnFakes fakes;
    VirtualMainQueue& queue = fakes.queue;
    FakeAudioHardware& hardware = fakes.hardware;
    FakeBackgroundWorker& worker = fakes.worker;
    HardwareCheckItemState& platformCheck = fakes.platformCheck;
    const ProtectionConfiguration& initialConfiguration = fakes.initialConfiguration;
    HollerboxModel* model = nullptr;
    FakeLockStateMonitor* lock = nullptr;
    FakeMovementMonitor* movement = nullptr;
    FakeBackgroundMonitorLauncher* launcher = nullptr;
};

} // namespace hollerbox::testing
