#include "BackgroundMonitorRuntime.h"

#include "EventLoopWait.h"
#include "FakeAlarmPlayer.h"
#include "FakeAudioReadinessProbe.h"
#include "FakeLockStateMonitor.h"
#include "FakeMovementMonitor.h"
#include "FakePowerAssertionLease.h"
#include "FakeRootDomainReader.h"
#include "QtTestApplication.h"

#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream file{path};
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(BackgroundMonitorRuntimeTest, NoTickLogsBetweenTheTerminationLineAndTheStop)
{
    ensureCoreApplication();
    QTemporaryDir directory;
    BackgroundMonitorOptions options;
    options.pollIntervalMilliseconds = 1;
    options.logFilePath = directory.filePath(QStringLiteral("monitor.log")).toStdString();
    auto calls = std::make_shared<CallLog>();
    std::optional<int> exitStatus;
    const auto makeController = [calls](const ProtectionConfiguration& configuration, MainQueue& queue,
                                        const Clock& clock) {
        // The lock flips at every tick, so that every tick logs a line. The signal comes during a tick that
        // lasts until the next one is due.
        auto lock = std::make_unique<FakeLockStateMonitor>(calls);
        lock->onRefresh = [monitor = lock.get()] {
            monitor->lockedAfterRefresh = !monitor->lockedAfterRefresh;
            if (monitor->refreshCount == 20) {
                ::kill(::getpid(), SIGTERM);
                std::this_thread::sleep_for(3ms);
            }
        };
        return std::make_unique<OpenLidAlarmController>(
            configuration, std::make_unique<FakeRootDomainReader>(), std::move(lock),
            std::make_unique<FakeAlarmPlayer>(calls, clock), std::make_unique<FakePowerAssertionLease>(calls),
            std::make_unique<FakeMovementMonitor>(calls), std::make_unique<FakeAudioReadinessProbe>(), clock,
            queue);
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> output{std::tmpfile(), &std::fclose};
    BackgroundMonitorRuntime runtime{options, [&exitStatus](int status) { exitStatus = status; },
                                     makeController, output.get()};
    ASSERT_TRUE(waitProcessingEvents([&] { return exitStatus.has_value(); }, 2s));
    EXPECT_EQ(*exitStatus, 0);
    const auto lines = readLines(options.logFilePath);
    processEventsFor(20ms);
    EXPECT_EQ(readLines(options.logFilePath), lines);
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines.back(), BackgroundMonitorLogger::terminationLine);
    EXPECT_NE(lines[lines.size() - 2].find(" state="), std::string::npos) << lines[lines.size() - 2];
}

} // namespace
} // namespace hollerbox::testing
