#include "ApplicationOnLaptopFixture.h"
#include "NotificationDaemonMock.h"
#include "PrivateDBusDaemon.h"

#include <QRegularExpression>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The application hands the watch to the real monitor and reports its alarm through a notification service
/// on a session bus of the test's own.
class ModelHandOverTest : public ApplicationOnLaptopFixture
{
protected:
    void SetUp() override
    {
        ApplicationOnLaptopFixture::SetUp();
        ASSERT_TRUE(m_sessionBus.start());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus.address().toUtf8());
        ASSERT_TRUE(m_notifications.start());
        startApplication();
    }

    bool monitorLogContains(const QByteArray& text) const
    {
        return read(QString::fromUtf8(read(m_launcher->latestLogPointerPath()))).contains(text);
    }

    PrivateDBusDaemon m_sessionBus{QStringLiteral("session"), m_directory.path()};
    NotificationDaemonMock m_notifications{m_sessionBus.address()};
};

TEST_F(ModelHandOverTest, HandsOverRestoresReportsAndAdoptsTheMonitorAfterARestart)
{
    setLocked(true);
    ASSERT_TRUE(waitForMonitor());
    EXPECT_FALSE(m_model->controller().isAutomaticAlarmTriggeringEnabled());
    ASSERT_TRUE(waitProcessingEvents(
        [&] { return monitorLogContains("Move the locked Mac to trigger the alarm."); }, 10s));

    m_laptop.tilt(true);
    EXPECT_TRUE(m_laptop.waitForSink(false, static_cast<double>(0.65F), 10s))
        << "the alarm forced the output";
    m_laptop.tilt(false);

    const pid_t first = *m_launcher->monitorProcessId();
    setLocked(false);
    ASSERT_TRUE(waitProcessingEvents([&] { return !m_launcher->monitorProcessId(); }, 2s));
    EXPECT_TRUE(m_laptop.waitForSink(true, initialVolume, 5s))
        << "the stop restored the user's mute and volume";
    EXPECT_TRUE(waitProcessingEvents([&] { return !isAlive(first); }, 3s)) << "the monitor exited";
    EXPECT_TRUE(m_model->controller().isAutomaticAlarmTriggeringEnabled());

    // The unlock reports the alarm from the monitor's log, in the application log and on the desktop.
    std::vector<QVariantList> notifications;
    ASSERT_TRUE(
        waitProcessingEvents([&] { return !(notifications = m_notifications.notifyCalls()).empty(); }, 3s));
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
    EXPECT_TRUE(QString::fromUtf8(read(applicationLogPath()))
                    .contains(QStringLiteral(" [alarm-report] Hollerbox alarm went off: ") + body));

    setLocked(true);
    ASSERT_TRUE(waitForMonitor());
    const pid_t second = *m_launcher->monitorProcessId();

    quitApplication();
    EXPECT_TRUE(isAlive(second)) << "quitting the application leaves the monitor running";
    startApplication();
    EXPECT_EQ(m_launcher->monitorProcessId(), second) << "the restarted application adopts it";
    for (int tick = 0; tick < 4; ++tick) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 250);
    }
    EXPECT_EQ(m_launcher->monitorProcessId(), second) << "and starts no second one while locked";

    setLocked(false);
    ASSERT_TRUE(waitProcessingEvents([&] { return !m_launcher->monitorProcessId(); }, 2s));
    EXPECT_TRUE(waitProcessingEvents([&] { return !isAlive(second); }, 3s))
        << "the unlock stopped the adopted monitor";
    EXPECT_EQ(m_notifications.notifyCalls().size(), 1U) << "a lock without an alarm is not reported";

    m_model->setSensitivityLevel(QStringLiteral("high"));
    m_model->selectBuiltInAlarmSound(QStringLiteral("policeAlarm"));

    const QStringList lines =
        QString::fromUtf8(read(applicationLogPath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList messages;
    for (const QString& line : lines) {
        if (line.contains(QStringLiteral(" [bg-launcher] "))) {
            messages << line.section(QStringLiteral(" [bg-launcher] "), 1);
        }
    }
    const QString adopted =
        QStringLiteral("Adopted the background monitor already running (process %1).").arg(second);
    EXPECT_EQ(messages,
              (QStringList{"Background monitoring started.", "Stopping background monitor: Screen unlocked.",
                           "Background monitoring started.", adopted,
                           "Stopping background monitor: Screen unlocked."}));
    const QString settings = QString::fromUtf8(read(settingsPath()));
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
