#include "EmulatedLaptop.h"
#include "NotificationDaemonMock.h"
#include "PrivateDBusDaemon.h"
#include "QtTestApplication.h"
#include "model/ApplicationServices.h"
#include "model/launch/BackgroundMonitorLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The application's model on real services, handing the watch to the real monitor on an emulated laptop
/// whose sink starts muted at 20 %.
class ModelHandOverTest : public ::testing::Test
{
protected:
    static constexpr double initialVolume = 0.2;

    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        EmulatedLaptop::Options options;
        options.sinkVolume = initialVolume;
        options.sinkMuted = true;
        ASSERT_TRUE(m_laptop.start(options)) << m_laptop.error();
        m_laptop.logind().setCallerSession(QStringLiteral("c1"));
        m_laptop.logind().addSession(QStringLiteral("c1"));

        // The monitor inherits the application's environment: give this process the laptop's, keeping its own
        // session bus.
        const auto environment = m_laptop.monitorEnvironment(path(QStringLiteral("home")));
        for (const QString& key : environment.keys()) {
            qputenv(key.toUtf8(), environment.value(key).toUtf8());
        }
        qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        qunsetenv("XDG_SESSION_ID");
        qunsetenv("XDG_CURRENT_DESKTOP");

        // A session bus with a notification service, for the report after an alarm.
        ASSERT_TRUE(m_sessionBus.start());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus.address().toUtf8());
        ASSERT_TRUE(m_notifications.start());

        startApplication();
    }

    /// Starts the application's model on real services, with its files in the test's directory.
    void startApplication()
    {
        m_services = std::make_unique<ApplicationServices>();
        auto services = m_services->modelServices();
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(BackgroundMonitorLauncher::Options{
            QStringLiteral(HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor"),
            path(QStringLiteral("logs/background-monitor"))});
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

    void TearDown() override
    {
        if (HasFailure()) {
            const QString pointer = path(QStringLiteral("logs/background-monitor/latest-log-path.txt"));
            std::cerr << "--- application log\n"
                      << read(applicationLogPath()).toStdString() << "--- monitor log\n"
                      << read(read(pointer)).toStdString() << "--- PulseAudio\n"
                      << m_laptop.pulse().logs() << '\n';
        }
        const auto left = m_launcher != nullptr ? m_launcher->monitorProcessId() : std::nullopt;
        m_model.reset();
        m_services.reset();
        if (left) {
            ::kill(*left, SIGKILL);
        }
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }
    QString applicationLogPath() const { return path(QStringLiteral("logs/menubar-broadcaster.log")); }
    QString settingsPath() const { return path(QStringLiteral("config/Hollerbox/Hollerbox.conf")); }

    static QString read(const QString& file)
    {
        QFile handle{file};
        return handle.open(QIODevice::ReadOnly) ? QString::fromUtf8(handle.readAll()) : QString{};
    }

    /// Runs the event loop until `condition` holds; false after `limit`.
    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    /// Whether the process exists and has not ended; a monitor started by an earlier model of this test
    /// process stays a zombie of it once ended, where a real application would long be gone.
    static bool isAlive(pid_t processId)
    {
        QFile stat{QStringLiteral("/proc/%1/stat").arg(processId)};
        if (!stat.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QByteArray text = stat.readAll();
        const auto end = text.lastIndexOf(')');
        return end >= 0 && text.size() > end + 2 && text[end + 2] != 'Z';
    }

    bool monitorLogContains(const QString& text) const
    {
        return read(read(m_launcher->latestLogPointerPath())).contains(text);
    }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    PrivateDBusDaemon m_sessionBus{QStringLiteral("session"), m_directory.path()};
    NotificationDaemonMock m_notifications{m_sessionBus.address()};
    std::unique_ptr<ApplicationServices> m_services;
    BackgroundMonitorLauncher* m_launcher = nullptr;
    std::unique_ptr<HollerboxModel> m_model;
};

TEST_F(ModelHandOverTest, HandsOverRestoresReplacesAKilledMonitorAndAdoptsOneAfterARestart)
{
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);
    ASSERT_TRUE(waitUntil([&] { return m_launcher->isMonitorRunning(); }, 3s));
    EXPECT_FALSE(m_model->controller().isAutomaticAlarmTriggeringEnabled());
    ASSERT_TRUE(waitUntil(
        [&] { return monitorLogContains(QStringLiteral("Move the locked Mac to trigger the alarm.")); },
        10s));

    m_laptop.tilt(true);
    EXPECT_TRUE(m_laptop.waitForSink(false, static_cast<double>(0.65F), 10s))
        << "the alarm forced the output";
    m_laptop.tilt(false);

    const pid_t first = *m_launcher->monitorProcessId();
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), false);
    ASSERT_TRUE(waitUntil([&] { return !m_launcher->monitorProcessId(); }, 2s));
    EXPECT_TRUE(m_laptop.waitForSink(true, initialVolume, 5s))
        << "the stop restored the user's mute and volume";
    EXPECT_TRUE(waitUntil([&] { return !isAlive(first); }, 3s)) << "the monitor exited";
    EXPECT_TRUE(m_model->controller().isAutomaticAlarmTriggeringEnabled());

    // The unlock reports the alarm from the monitor's log, in the application log and on the desktop.
    std::vector<QVariantList> notifications;
    ASSERT_TRUE(waitUntil([&] { return !(notifications = m_notifications.notifyCalls()).empty(); }, 3s));
    ASSERT_EQ(notifications.size(), 1U);
    ASSERT_EQ(notifications[0].size(), 8);
    const QString body = notifications[0][4].toString();
    std::cout << "notification: " << notifications[0][3].toString().toStdString() << " | "
              << body.toStdString() << '\n';
    EXPECT_EQ(notifications[0][3].toString(), QStringLiteral("Hollerbox alarm went off"));
    EXPECT_TRUE(QRegularExpression{
        QStringLiteral(R"(^Someone moved this laptop while it was locked\. The alarm started at )"
                       R"(\d\d:\d\d:\d\d, sounded for (less than 1 s|\d+ s) and was set off once\.$)")}
                    .match(body)
                    .hasMatch())
        << body.toStdString();
    EXPECT_TRUE(read(applicationLogPath())
                    .contains(QStringLiteral(" [alarm-report] Hollerbox alarm went off: ") + body));

    m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);
    ASSERT_TRUE(waitUntil([&] { return m_launcher->isMonitorRunning(); }, 3s));
    const pid_t second = *m_launcher->monitorProcessId();
    ASSERT_EQ(::kill(second, SIGKILL), 0);
    ASSERT_TRUE(waitUntil(
        [&] { return m_launcher->isMonitorRunning() && m_launcher->monitorProcessId() != second; }, 1s))
        << "the next locked snapshot starts a new monitor";
    const pid_t third = *m_launcher->monitorProcessId();

    quitApplication();
    EXPECT_TRUE(isAlive(third)) << "quitting the application leaves the monitor running";
    startApplication();
    EXPECT_EQ(m_launcher->monitorProcessId(), third) << "the restarted application adopts it";
    for (int tick = 0; tick < 4; ++tick) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 250);
    }
    EXPECT_EQ(m_launcher->monitorProcessId(), third) << "and starts no second one while locked";

    m_laptop.logind().setLockedHint(QStringLiteral("c1"), false);
    ASSERT_TRUE(waitUntil([&] { return !m_launcher->monitorProcessId(); }, 2s));
    EXPECT_TRUE(waitUntil([&] { return !isAlive(third); }, 3s)) << "the unlock stopped the adopted monitor";
    EXPECT_EQ(m_notifications.notifyCalls().size(), 1U) << "a lock without an alarm is not reported";

    m_model->setSensitivityLevel(QStringLiteral("high"));
    m_model->selectBuiltInAlarmSound(QStringLiteral("policeAlarm"));

    const QStringList lines = read(applicationLogPath()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    std::cout << "application log:\n"
              << lines.join(QLatin1Char('\n')).toStdString() << "\nsettings file:\n"
              << read(settingsPath()).toStdString() << '\n';
    QStringList messages;
    for (const QString& line : lines) {
        if (line.contains(QStringLiteral(" [bg-launcher] "))) {
            messages << line.section(QStringLiteral(" [bg-launcher] "), 1);
        }
    }
    const QString adopted =
        QStringLiteral("Adopted the background monitor already running (process %1).").arg(third);
    EXPECT_EQ(messages,
              (QStringList{"Background monitoring started.", "Stopping background monitor: Screen unlocked.",
                           "Background monitoring started.", "Background monitoring started.", adopted,
                           "Stopping background monitor: Screen unlocked."}));
    const QString settings = read(settingsPath());
    for (
        const char* entry :
        {"HollerboxApp.didMigrateFallbackDelayDefault=true", "HollerboxApp.movementThreshold=0.02",
         "HollerboxApp.armDelaySeconds=2", "HollerboxApp.alarmVolumeScalar=0.6499999761581421",
         R"x(HollerboxApp.alarmSoundSelection="@ByteArray({\"kind\":\"builtIn\",\"builtIn\":\"policeAlarm\"})")x"}) {
        EXPECT_TRUE(settings.contains(QLatin1String(entry))) << entry;
    }
}

} // namespace
} // namespace hollerbox::testing
