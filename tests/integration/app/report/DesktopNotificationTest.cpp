#include "BackgroundMonitorLogger.h"
#include "EventLoopWait.h"
#include "NotificationDaemonMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"
#include "linux/notify/DesktopNotifierFreedesktop.h"
#include "model/report/AlarmReporter.h"

#include <QDBusArgument>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

const QTimeZone kZone{2 * 3600};
const WallTime kSetOffAt{std::chrono::sys_days{2026y / std::chrono::May / 1} + 12h + 3min + 40s};
const WallTime kUnlockedAt = kSetOffAt + 80s;
const char* const kBody =
    "Someone moved this laptop while it was locked. The alarm started at 14:03:40, sounded "
    "for 1 min 20 s and was set off once.";

/// An alarm in a monitor log, the launcher's pointer to it, the application log, and the session buses.
class DesktopNotificationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        OpenLidAlarmSnapshot snapshot;
        snapshot.state = OpenLidAlarmState::triggered;
        snapshot.lastUpdatedAt = kSetOffAt;
        write(path("monitor.log"),
              QByteArray{BackgroundMonitorLogger::startLine.data()} + '\n' +
                  QByteArray::fromStdString(BackgroundMonitorLogger::snapshotLine(snapshot)) + '\n');
        write(path("latest-log-path.txt"), path("monitor.log").toUtf8());
    }

    QString path(const char* name) const { return m_directory.filePath(QString::fromLatin1(name)); }

    static void write(const QString& filePath, const QByteArray& content)
    {
        QFile file{filePath};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    AlarmReporter reporter(std::chrono::milliseconds callTimeout = 5s) const
    {
        return AlarmReporter{path("latest-log-path.txt"),
                             std::make_unique<DesktopNotifierFreedesktop>(callTimeout),
                             BroadcasterFileLogger{path("menubar-broadcaster.log")}, kZone};
    }

    QStringList applicationLog() const
    {
        QFile file{path("menubar-broadcaster.log")};
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList{};
    }

    SessionBusEnvironment buses;

private:
    QTemporaryDir m_directory;
};

TEST_F(DesktopNotificationTest, TheReportReachesTheNotificationServiceAsOneNotifyCall)
{
    ASSERT_TRUE(buses.start(false, true));
    NotificationDaemonMock daemon{buses.sessionBusAddress()};
    ASSERT_TRUE(daemon.start());
    auto alarmReporter = reporter();

    ASSERT_TRUE(alarmReporter.reportAfterUnlock(kUnlockedAt));
    std::vector<QVariantList> calls;
    ASSERT_TRUE(waitProcessingEvents([&] { return !(calls = daemon.notifyCalls()).empty(); }));

    ASSERT_EQ(calls.size(), 1U);
    const auto& arguments = calls[0];
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), QStringLiteral("Hollerbox"));
    EXPECT_EQ(arguments[1].toUInt(), 0U);
    EXPECT_EQ(arguments[2].toString(), QStringLiteral("org.hollerbox.Hollerbox"));
    EXPECT_EQ(arguments[3].toString(), QStringLiteral("Hollerbox alarm went off"));
    EXPECT_EQ(arguments[4].toString(), QString::fromLatin1(kBody));
    EXPECT_TRUE(arguments[5].toStringList().isEmpty());
    const auto hints = qdbus_cast<QVariantMap>(arguments[6]);
    EXPECT_EQ(hints.keys(), (QStringList{QStringLiteral("desktop-entry"), QStringLiteral("urgency")}));
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("org.hollerbox.Hollerbox"));
    EXPECT_EQ(hints.value(QStringLiteral("urgency")).userType(), QMetaType::UChar);
    EXPECT_EQ(hints.value(QStringLiteral("urgency")).toUInt(), 2U);
    EXPECT_EQ(arguments[7].userType(), QMetaType::Int);
    EXPECT_EQ(arguments[7].toInt(), 0);
    EXPECT_EQ(applicationLog(),
              QStringList{QStringLiteral("2026-05-01T12:05:00Z [alarm-report] Hollerbox alarm went off: ") +
                          QString::fromLatin1(kBody)});
}

struct AbsentServiceCase
{
    const char* name;
    bool sessionBus;
    bool hungService;
    const char* failure;

    friend void PrintTo(const AbsentServiceCase& row, std::ostream* out) { *out << row.name; }
};

const AbsentServiceCase absentServiceCases[] = {
    {"NoService", true, false, "org.freedesktop.DBus.Error.ServiceUnknown"},
    {"NoSessionBus", false, false, "No session bus."},
    {"HungService", true, true, "org.freedesktop.DBus.Error.NoReply"},
};

class DesktopNotificationWithoutServiceTest : public DesktopNotificationTest,
                                              public ::testing::WithParamInterface<AbsentServiceCase>
{};

TEST_P(DesktopNotificationWithoutServiceTest, TheReportIsLoggedWithOneLineOnWhyItWasNotShown)
{
    const auto& row = GetParam();
    ASSERT_TRUE(buses.start(false, row.sessionBus));
    std::optional<NotificationDaemonMock> daemon;
    if (row.hungService) {
        daemon.emplace(buses.sessionBusAddress());
        ASSERT_TRUE(daemon->start());
        daemon->process().pause();
    }
    auto alarmReporter = reporter(300ms);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(alarmReporter.reportAfterUnlock(kUnlockedAt));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 200ms) << "the report waited for the desktop";

    ASSERT_TRUE(waitProcessingEvents([&] { return applicationLog().size() >= 2; }, 3s))
        << applicationLog().join(QLatin1Char('\n')).toStdString();
    const auto log = applicationLog();
    ASSERT_EQ(log.size(), 2) << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(log[0].endsWith(QString::fromLatin1(kBody)));
    EXPECT_TRUE(log[1].startsWith(
        QStringLiteral("2026-05-01T12:05:00Z [alarm-report] Desktop notification not shown: ") +
        QString::fromLatin1(row.failure)))
        << log[1].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Absent, DesktopNotificationWithoutServiceTest,
                         ::testing::ValuesIn(absentServiceCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
