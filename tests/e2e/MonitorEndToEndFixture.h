#pragma once

#include "HidrawTestbed.h"
#include "LogindMock.h"
#include "MonitorProcess.h"
#include "MonitorRecorder.h"
#include "PulseAudioServer.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace hollerbox::testing {

/// A laptop for the background monitor made of real parts: a private PulseAudio whose null sink starts
/// muted at 20 %, a mocked logind on a private system bus, and (on request) an emulated accelerometer.
class MonitorEndToEndFixture : public ::testing::Test
{
protected:
    static constexpr std::int32_t oneG = 65536;
    static constexpr double initialVolume = 0.2;

    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(m_buses.start(true, false));
        m_logind = std::make_unique<LogindMock>(m_buses.systemBusAddress());
        ASSERT_TRUE(m_logind->start());
        ASSERT_TRUE(m_pulse.start()) << m_pulse.logs();
        ASSERT_TRUE(m_pulse.setSinkVolumes({initialVolume, initialVolume}));
        ASSERT_TRUE(m_pulse.setSinkMute(true));
    }

    /// Adds the emulated accelerometer, level and at rest, streaming at `period`.
    void addAccelerometer(std::chrono::milliseconds period = std::chrono::milliseconds{10})
    {
        ASSERT_TRUE(m_testbed.addDevices("spu-accelerometer.umockdev")) << m_testbed.error();
        ASSERT_TRUE(m_testbed.loadIoctls("hidraw0", "spu-accelerometer.ioctl")) << m_testbed.error();
        m_testbed.setStreamedAxes(0, 0, oneG);
        m_testbed.startStreaming("hidraw0", period);
    }

    /// Tilts the laptop by about 0.1 g, as lifting it does, or puts it back level.
    void tilt(bool lifted) { m_testbed.setStreamedAxes(lifted ? oneG / 10 : 0, 0, oneG); }

    QProcessEnvironment monitorEnvironment()
    {
        auto environment = m_testbed.childEnvironment(m_pulse.clientEnvironment());
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_buses.systemBusAddress());
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.insert(QStringLiteral("HOME"), m_directory.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), m_directory.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("GST_REGISTRY_1_0"),
                           QStringLiteral(HOLLERBOX_STAGE_DIR "/../gst-registry.bin"));
        return environment;
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

    /// Waits until the sink is unmuted at `volume` (within 1 %); false after `limit`.
    bool waitForSink(bool muted, double volume, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto state = m_pulse.sinkState();
            if (state && state->muted == muted && !state->channelVolumes.empty()) {
                bool matches = true;
                for (const double channel : state->channelVolumes) {
                    matches = matches && std::abs(channel - volume) <= 0.01;
                }
                if (matches) {
                    return true;
                }
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }

    QTemporaryDir m_directory;
    SessionBusEnvironment m_buses;
    std::unique_ptr<LogindMock> m_logind;
    PulseAudioServer m_pulse;
    HidrawTestbed m_testbed;
};

} // namespace hollerbox::testing
