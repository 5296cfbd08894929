#pragma once

#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "QtTestApplication.h"
#include "model/ApplicationServices.h"
#include "model/launch/BackgroundMonitorLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {

/// The application's model on real services and the real monitor it launches on an emulated laptop whose
/// sink starts muted at 20 %, with its files in a directory of the test's own. This process takes the
/// laptop's environment, which the monitor inherits; a failed test prints the application's, the monitor's
/// and PulseAudio's logs.
class ApplicationOnLaptopFixture : public ::testing::Test
{
protected:
    static constexpr double initialVolume = 0.2;
    inline static const QString session = QStringLiteral("c1");

    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(m_laptop.start({})) << m_laptop.error();
        m_laptop.logind().addCallerSession(session);
        const auto environment = m_laptop.monitorEnvironment(path(QStringLiteral("home")));
        for (const QString& key : environment.keys()) {
            qputenv(key.toUtf8(), environment.value(key).toUtf8());
        }
        qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        qunsetenv("XDG_SESSION_ID");
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr
                << "--- application log\n"
                << read(applicationLogPath()).toStdString() << "--- monitor log\n"
                << read(QString::fromUtf8(read(monitorLogDirectory() + "/latest-log-path.txt"))).toStdString()
                << "--- PulseAudio\n"
                << m_laptop.pulse().logs() << '\n';
        }
        const auto left = m_launcher != nullptr ? m_launcher->monitorProcessId() : std::nullopt;
        quitApplication();
        if (left) {
            ::kill(*left, SIGKILL);
        }
    }

    /// Starts the application's model on real services.
    void startApplication()
    {
        m_services = std::make_unique<ApplicationServices>();
        auto services = m_services->modelServices();
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(BackgroundMonitorLauncher::Options{
            QStringLiteral(HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor"),
            monitorLogDirectory()});
        m_launcher = launcher.get();
        services.backgroundMonitorLauncher = std::move(launcher);
        services.settingsFilePath = settingsPath();
        services.importedAlarmsDirectory = path(QStringLiteral("data/Hollerbox/ImportedAlarms"));
        services.applicationLogPath = applicationLogPath();
        services.platformCheckProvider = [] {
            return HardwareCheckItemState{"MacBook hardware required", HardwareCheckStatus::warning};
        };
        m_model = std::make_unique<HollerboxModel>(std::move(services));
    }

    /// Quits the application as a user would: the model and its services go, a running monitor stays.
    void quitApplication()
    {
        m_model.reset();
        m_services.reset();
        m_launcher = nullptr;
    }

    void setLocked(bool locked) { m_laptop.logind().setLockedHint(session, locked); }
    bool waitForMonitor()
    {
        return waitProcessingEvents([&] { return m_launcher->isMonitorRunning(); }, std::chrono::seconds{3});
    }

    /// Rocks the laptop from front to back until the alarm forces the output; false after `moves` holds of a
    /// second. The monitor's log may not say when it armed, so its baseline may mix poses: wherever it lies,
    /// one of the two lifted poses is 0.1 g or more away from it, twice the threshold.
    bool moveUntilHeard(int moves)
    {
        bool heard = false;
        for (int move = 0; move < moves && !heard; ++move) {
            m_laptop.tilt(move % 2 == 0 ? EmulatedLaptop::Pose::liftedFront
                                        : EmulatedLaptop::Pose::liftedBack);
            heard = m_laptop.waitForSink(false, static_cast<double>(0.65F), std::chrono::seconds{1});
        }
        m_laptop.tilt(false);
        return heard;
    }

    static QByteArray read(const QString& file)
    {
        QFile handle{file};
        return handle.open(QIODevice::ReadOnly) ? handle.readAll() : QByteArray{};
    }

    static bool write(const QString& file, const QByteArray& content)
    {
        QDir{}.mkpath(QFileInfo{file}.path());
        QFile handle{file};
        return handle.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               handle.write(content) == content.size();
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }
    QString applicationLogPath() const { return path(QStringLiteral("logs/menubar-broadcaster.log")); }
    QString monitorLogDirectory() const { return path(QStringLiteral("logs/background-monitor")); }
    QString settingsPath() const { return path(QStringLiteral("config/Hollerbox/Hollerbox.conf")); }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    std::unique_ptr<ApplicationServices> m_services;
    BackgroundMonitorLauncher* m_launcher = nullptr;
    std::unique_ptr<HollerboxModel> m_model;
};

} // namespace hollerbox::testing
