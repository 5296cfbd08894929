#pragma once

#include "EmulatedLaptop.h"
#include "MonitorProcess.h"
#include "QtTestApplication.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// The background monitor program on an emulated laptop whose sink starts muted at 20 %, with its log file
/// in a directory of the test's own. A failed test prints what the monitor and PulseAudio wrote.
class MonitorOnLaptopFixture : public ::testing::Test
{
public:
    static constexpr double initialVolume = 0.2;
    static constexpr const char* moveLine = "Protection is active. Move the locked Mac to trigger the alarm.";
    static constexpr const char* terminationLine =
        "Received termination signal. Stopping background monitor.";

protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
    }

    /// Starts a new laptop, with or without an accelerometer. Each monitor run gets its own: the emulated
    /// device keeps the reports nobody read, which a real one never delivers to a later reader.
    void startLaptop(bool withAccelerometer = true)
    {
        EmulatedLaptop::Options options;
        options.withAccelerometer = withAccelerometer;
        options.sinkVolume = initialVolume;
        options.sinkMuted = true;
        m_laptopStorage.reset();
        m_laptopStorage = std::make_unique<EmulatedLaptop>();
        ASSERT_TRUE(m_laptopStorage->start(options)) << m_laptopStorage->error();
    }

    EmulatedLaptop& laptop() { return *m_laptopStorage; }

    QProcessEnvironment monitorEnvironment() const
    {
        return m_laptopStorage->monitorEnvironment(m_directory.filePath(QStringLiteral("home")));
    }

    /// Starts the monitor with `arguments` (a log file in the test's directory is added unless given).
    std::unique_ptr<MonitorProcess> startMonitor(QStringList arguments)
    {
        if (!arguments.contains(QStringLiteral("--log-file"))) {
            arguments << QStringLiteral("--log-file") << logFilePath();
        }
        auto monitor = std::make_unique<MonitorProcess>(arguments, monitorEnvironment());
        EXPECT_TRUE(monitor->start());
        return monitor;
    }

    QString logFilePath() const { return m_directory.filePath(QStringLiteral("monitor.log")); }

    /// The lines of the log file so far; one empty line when there are none.
    std::vector<std::string> logLines() const
    {
        std::ifstream file{logFilePath().toStdString()};
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        if (lines.empty()) {
            lines.emplace_back();
        }
        return lines;
    }

    void tilt(bool lifted) { laptop().tilt(lifted); }

    /// Lifts the laptop and waits for the alarm to sound.
    void liftUntilTriggered(MonitorProcess& monitor)
    {
        using namespace std::chrono_literals;
        ASSERT_TRUE(monitor.waitForLine(moveLine, 10s));
        tilt(true);
        ASSERT_TRUE(monitor.waitForLine("state=triggered", 5s));
    }

    bool waitForSink(bool muted, double volume, std::chrono::milliseconds limit)
    {
        return laptop().waitForSink(muted, volume, limit);
    }

    QTemporaryDir m_directory;
    std::unique_ptr<EmulatedLaptop> m_laptopStorage;
};

} // namespace hollerbox::testing
