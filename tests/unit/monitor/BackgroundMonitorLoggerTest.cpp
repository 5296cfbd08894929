#include "BackgroundMonitorLogger.h"

#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeLockStateMonitor.h"
#include "FakeMovementMonitor.h"
#include "FakePowerAssertionLease.h"
#include "FakeRootDomainReader.h"
#include "LogLocations.h"
#include "VirtualMainQueue.h"
#include "engine/OpenLidAlarmController.h"
#include "linux/support/FileDescriptor.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace hollerbox {
namespace {

using namespace std::chrono_literals;

constexpr auto kFlushLimit = 5s;

std::string readFile(const std::string& path)
{
    std::ifstream file{path};
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

/// Standard output captured in a temporary file.
class CapturedOutput
{
public:
    CapturedOutput() : m_file(std::tmpfile()) {}
    ~CapturedOutput() { std::fclose(m_file); }
    std::FILE* file() const { return m_file; }
    std::string text() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string result;
        char buffer[4096];
        while (const auto read = std::fread(buffer, 1, sizeof(buffer), m_file)) {
            result.append(buffer, read);
        }
        return result;
    }

private:
    std::FILE* m_file;
};

OpenLidAlarmSnapshot snapshotAt(int seconds, OpenLidAlarmState state, std::string status, std::string detail)
{
    OpenLidAlarmSnapshot snapshot;
    snapshot.state = state;
    snapshot.isScreenLocked = true;
    snapshot.statusText = std::move(status);
    snapshot.detailText = std::move(detail);
    snapshot.lastUpdatedAt =
        WallTime{std::chrono::seconds{1'767'225'600 + seconds}} + std::chrono::milliseconds{900};
    return snapshot;
}

class BackgroundMonitorLoggerTest : public ::testing::Test
{
protected:
    QTemporaryDir directory;
    std::string path = directory.filePath("a/b/monitor.log").toStdString();
    CapturedOutput output;
};

TEST_F(BackgroundMonitorLoggerTest, CreatesDirectoriesAndAppendsToAnExistingLog)
{
    {
        BackgroundMonitorLogger logger{path, output.file()};
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(readFile(path), "");
        logger.write("first");
    }
    BackgroundMonitorLogger logger{path, output.file()};
    logger.write(BackgroundMonitorLogger::startLine);
    ASSERT_TRUE(logger.flushStandardOutput(kFlushLimit));
    EXPECT_EQ(readFile(path), "first\nHollerbox background monitoring started.\n");
    EXPECT_EQ(output.text(), "first\nHollerbox background monitoring started.\n");
}

TEST_F(BackgroundMonitorLoggerTest, WritesOneLinePerChangedSnapshot)
{
    auto logger = std::make_shared<BackgroundMonitorLogger>(path, output.file());
    testing::VirtualClock clock;
    testing::VirtualMainQueue queue{clock};
    auto calls = std::make_shared<testing::CallLog>();
    OpenLidAlarmController controller{{},
                                      std::make_unique<testing::FakeRootDomainReader>(),
                                      std::make_unique<testing::FakeLockStateMonitor>(calls),
                                      std::make_unique<testing::FakeAlarmPlayer>(calls, clock),
                                      std::make_unique<testing::FakePowerAssertionLease>(calls),
                                      std::make_unique<testing::FakeMovementMonitor>(calls),
                                      std::make_unique<testing::FakeAudioReadinessProbe>(),
                                      clock,
                                      queue};

    auto pending = snapshotAt(0, OpenLidAlarmState::pendingArm, "Pending Arm",
                              "Hold the locked state steady while the alarm arms.");
    pending.secondsUntilNextStage = 1.75;
    logger->alarmControllerDidUpdate(controller, pending);
    auto later = snapshotAt(1, OpenLidAlarmState::pendingArm, "Pending Arm",
                            "Hold the locked state steady while the alarm arms.");
    later.secondsUntilNextStage = 0.75;
    later.diagnosticLines = {"different diagnostics"};
    logger->alarmControllerDidUpdate(controller, later);
    auto lidClosed = later;
    lidClosed.isLidClosed = true;
    logger->alarmControllerDidUpdate(controller, lidClosed);
    logger->alarmControllerDidUpdate(
        controller, snapshotAt(2, OpenLidAlarmState::armed, "Armed", "Say \"hi\" | to the thief."));

    EXPECT_EQ(readFile(path),
              "2026-01-01T00:00:00Z state=pendingArm locked=true lidClosed=false status=\"Pending Arm\" "
              "detail=\"Hold the locked state steady while the alarm arms.\"\n"
              "2026-01-01T00:00:01Z state=pendingArm locked=true lidClosed=true status=\"Pending Arm\" "
              "detail=\"Hold the locked state steady while the alarm arms.\"\n"
              "2026-01-01T00:00:02Z state=armed locked=true lidClosed=false status=\"Armed\" "
              "detail=\"Say \"hi\" | to the thief.\"\n");
}

TEST_F(BackgroundMonitorLoggerTest, LinesStillReachStandardOutputWithoutAFile)
{
    BackgroundMonitorLogger logger{path, output.file()};
    std::filesystem::remove(path);
    logger.write("after removal");
    ASSERT_TRUE(logger.flushStandardOutput(kFlushLimit));
    EXPECT_FALSE(std::filesystem::exists(path)); // not recreated

    const auto blocked = directory.filePath("file-not-dir").toStdString();
    std::ofstream{blocked} << "x";
    BackgroundMonitorLogger unwritable{blocked + "/sub/monitor.log", output.file()};
    unwritable.write("no file possible");
    ASSERT_TRUE(unwritable.flushStandardOutput(kFlushLimit));

    // A pipe nobody reads never stalls the log.
    const auto fifo = directory.filePath("log-pipe").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    BackgroundMonitorLogger piped{fifo, output.file()};
    piped.write("still written");
    ASSERT_TRUE(piped.flushStandardOutput(kFlushLimit));
    EXPECT_EQ(output.text(), "after removal\nno file possible\nstill written\n");
}

TEST_F(BackgroundMonitorLoggerTest, AStandardOutputNobodyReadsDropsLinesButNeverStallsTheLog)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    FileDescriptor reading{ends[0]};
    ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
    // The pipe starts full, so the first line written to it blocks.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    while (::write(ends[1], "x", 1) == 1) {
    }
    ::fcntl(ends[1], F_SETFL, 0);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipeOutput{::fdopen(ends[1], "w"), &std::fclose};
    ASSERT_TRUE(pipeOutput);
    {
        BackgroundMonitorLogger logger{path, pipeOutput.get()};
        std::string expectedFile;
        const auto started = std::chrono::steady_clock::now();
        for (int index = 0; index < 1000; ++index) {
            logger.write("line " + std::to_string(index));
            expectedFile += "line " + std::to_string(index) + "\n";
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
        EXPECT_EQ(readFile(path), expectedFile);
        EXPECT_FALSE(logger.flushStandardOutput(50ms));

        std::string received;
        const auto readAvailable = [&] {
            char buffer[4096];
            ::fcntl(reading.get(), F_SETFL, O_NONBLOCK);
            for (ssize_t count = 0; (count = ::read(reading.get(), buffer, sizeof(buffer))) > 0;) {
                received.append(buffer, static_cast<std::size_t>(count));
            }
        };
        while (!logger.flushStandardOutput(10ms)) {
            readAvailable();
        }
        logger.write("caught up");
        ASSERT_TRUE(logger.flushStandardOutput(kFlushLimit));
        readAvailable();

        // Some first lines, the count of those dropped after them, then the line that found room again.
        received.erase(0, received.find_first_not_of('x'));
        std::istringstream lines{received};
        int kept = 0;
        std::string line;
        while (std::getline(lines, line) && line == "line " + std::to_string(kept)) {
            ++kept;
        }
        EXPECT_GT(kept, 0);
        EXPECT_EQ(line, StandardOutputWriter::droppedLine(static_cast<std::uint64_t>(1000 - kept)));
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, "caught up");
        EXPECT_FALSE(std::getline(lines, line));
    }
}

TEST(LogLocationsTest, FollowsTheStateDirectoryWithAHomeFallback)
{
    EXPECT_EQ(LogLocations::directoryPathFor("/state", "/home/ann"),
              "/state/Logs/Hollerbox/background-monitor");
    EXPECT_EQ(LogLocations::directoryPathFor("", "/home/ann"),
              "/home/ann/.local/state/Logs/Hollerbox/background-monitor");
    EXPECT_EQ(LogLocations::directoryPathFor("relative", "/home/ann"),
              "/home/ann/.local/state/Logs/Hollerbox/background-monitor");
}

} // namespace
} // namespace hollerbox
