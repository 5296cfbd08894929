#include "model/report/AlarmReporter.h"

#include "MonitorLogLines.h"
#include "app/FakeDesktopNotifier.h"
#include "model/report/AlarmReportText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using State = OpenLidAlarmState;

const QTimeZone zone{2 * 3600};
const WallTime unlockedAt = utcTime(12, 5, 0);

/// A log directory with the launcher's pointer file, the application log and a reporter on them.
class ReporterFiles
{
public:
    QString path(const QString& name) const { return m_directory.filePath(name); }
    QString pointerPath() const { return path(QStringLiteral("latest-log-path.txt")); }
    QString logPath() const { return path(QStringLiteral("open-lid-bg-20260501-120001.log")); }

    void write(const QString& filePath, const QByteArray& content) const
    {
        QFile file{filePath};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void writeLog(const std::vector<std::string>& lines) const
    {
        QByteArray content;
        for (const auto& line : lines) {
            content += QByteArray::fromStdString(line) + '\n';
        }
        write(logPath(), content);
        write(pointerPath(), logPath().toUtf8());
    }
    QStringList applicationLog() const
    {
        QFile file{path(QStringLiteral("menubar-broadcaster.log"))};
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList{};
    }

    AlarmReporter reporter() const
    {
        return AlarmReporter{pointerPath(), std::make_unique<FakeDesktopNotifier>(notifications),
                             BroadcasterFileLogger{path(QStringLiteral("menubar-broadcaster.log"))}, zone};
    }

    std::shared_ptr<FakeDesktopNotifier::Record> notifications =
        std::make_shared<FakeDesktopNotifier::Record>();

private:
    QTemporaryDir m_directory;
};

const std::vector<std::string> alarmLog{
    std::string{BackgroundMonitorLogger::startLine},
    snapshotLine(utcTime(12, 0, 3), State::armed),
    snapshotLine(utcTime(12, 3, 40), State::triggered, "Lift."),
    snapshotLine(utcTime(12, 3, 41), State::triggered, "Alarm is active."),
};

TEST(AlarmReporterTest, ShowsAndLogsTheAlarmOfTheNewestMonitorLog)
{
    const std::optional<std::string> failures[] = {std::nullopt, "No session bus."};
    for (const auto& failure : failures) {
        ReporterFiles files;
        files.notifications->failure = failure;
        files.writeLog(alarmLog);

        const auto reported = files.reporter().reportAfterUnlock(unlockedAt);

        const DesktopNotification expected{
            "Hollerbox alarm went off",
            "Someone moved this laptop while it was locked. The alarm started at 14:03:40, sounded for 1 min "
            "20 s and was set off once."};
        EXPECT_EQ(reported, expected);
        EXPECT_EQ(files.notifications->shown, std::vector{expected});
        QStringList lines{QStringLiteral("2026-05-01T12:05:00Z [alarm-report] Hollerbox alarm went off: ") +
                          QString::fromStdString(expected.body)};
        if (failure) {
            lines << QStringLiteral("2026-05-01T12:05:00Z [alarm-report] Desktop notification not shown: "
                                    "No session bus.");
        }
        EXPECT_EQ(files.applicationLog(), lines);
    }
}

struct SilentCase
{
    const char* name;
    std::function<void(const ReporterFiles&)> prepare;

    friend void PrintTo(const SilentCase& row, std::ostream* out) { *out << row.name; }
};

const SilentCase silentCases[] = {
    {"NoPointer", [](const ReporterFiles&) {}},
    {"EmptyPointer", [](const ReporterFiles& files) { files.write(files.pointerPath(), "\n"); }},
    {"PointerToMissingLog",
     [](const ReporterFiles& files) { files.write(files.pointerPath(), files.path("gone.log").toUtf8()); }},
    {"PointerToDirectory",
     [](const ReporterFiles& files) { files.write(files.pointerPath(), files.path(".").toUtf8()); }},
    {"NoAlarm",
     [](const ReporterFiles& files) {
         files.writeLog({snapshotLine(utcTime(12, 0, 3), State::armed), "2026-05-01T12:01:00Z state=trig"});
     }},
};

class AlarmReporterSilentTest : public ::testing::TestWithParam<SilentCase>
{};

TEST_P(AlarmReporterSilentTest, ShowsAndLogsNothing)
{
    ReporterFiles files;
    GetParam().prepare(files);
    EXPECT_EQ(files.reporter().reportAfterUnlock(unlockedAt), std::nullopt);
    EXPECT_TRUE(files.notifications->shown.empty());
    EXPECT_TRUE(files.applicationLog().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, AlarmReporterSilentTest, ::testing::ValuesIn(silentCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
