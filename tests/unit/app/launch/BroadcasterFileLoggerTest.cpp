#include "model/launch/BroadcasterFileLogger.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace hollerbox {
namespace {

QByteArray contentOf(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{"<unreadable>"};
}

TEST(BroadcasterFileLoggerTest, LauncherLineIsStampedInUtcToTheSecond)
{
    const QDate day{2026, 12, 5};
    struct Row
    {
        QDateTime now;
        const char* expected;
    };
    const Row rows[] = {
        {{day, QTime{14, 56, 35, 999}, Qt::UTC},
         "2026-12-05T14:56:35Z [bg-launcher] Background monitoring started."},
        {{day, QTime{16, 56, 35}, QTimeZone{2 * 3600}},
         "2026-12-05T14:56:35Z [bg-launcher] Background monitoring started."},
        {{day.addDays(1), QTime{0, 30, 0}, QTimeZone{3600}},
         "2026-12-05T23:30:00Z [bg-launcher] Background monitoring started."},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(
            BroadcasterFileLogger::launcherLine(row.now, "Background monitoring started.").toStdString(),
            row.expected);
    }
}

TEST(BroadcasterFileLoggerTest, CreatesTheFileWithItsParentsAndAppendsUtf8Lines)
{
    QTemporaryDir directory;
    const QString path = directory.filePath("state/Logs/Hollerbox/menubar-broadcaster.log");
    const BroadcasterFileLogger logger{path};
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(contentOf(path), "");

    logger.write("first");
    logger.write(QString::fromUtf8("Stopping background monitor: Screen unlocked… é"));
    const QByteArray expected = "first\nStopping background monitor: Screen unlocked\xe2\x80\xa6 \xc3\xa9\n";
    EXPECT_EQ(contentOf(path), expected);

    // A second logger on the same file (the next run of the application) appends, never truncates.
    BroadcasterFileLogger{path}.write("next run");
    EXPECT_EQ(contentOf(path), expected + "next run\n");
}

TEST(BroadcasterFileLoggerTest, FailuresAreIgnoredAndARemovedFileIsNotRecreated)
{
    QTemporaryDir directory;
    QFile blocker{directory.filePath("not-a-directory")};
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const BroadcasterFileLogger unwritable{blocker.fileName() + "/menubar-broadcaster.log"};
    unwritable.write("lost");
    EXPECT_EQ(contentOf(blocker.fileName()), "");

    const QString path = directory.filePath("menubar-broadcaster.log");
    const BroadcasterFileLogger logger{path};
    ASSERT_TRUE(QFile::remove(path));
    logger.write("lost");
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
} // namespace hollerbox
