#include "MonitorOnLaptopFixture.h"
#include "MonitorRecorder.h"
#include "WaitFor.h"
#include "audio/AlarmSoundSelectionCoding.h"

#include <QFile>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kStartLine = "Hollerbox background monitoring started.";
constexpr const char* kActiveLine = "Background monitoring is active.";
constexpr const char* kTerminationLine = MonitorOnLaptopFixture::terminationLine;
constexpr const char* kMoveLine = MonitorOnLaptopFixture::moveLine;

/// The part of a snapshot line after its time stamp.
std::string withoutTime(const std::string& line)
{
    const bool stamped =
        line.size() > 21 && line[4] == '-' && line[10] == 'T' && line[19] == 'Z' && line[20] == ' ';
    return stamped ? line.substr(21) : line;
}

using BackgroundMonitorEndToEndTest = MonitorOnLaptopFixture;

TEST_F(BackgroundMonitorEndToEndTest, NormalStartWritesExactlyTheExpectedLinesInOrder)
{
    startLaptop();
    auto monitor = startMonitor({"--arm-delay", "1", "--poll-ms", "250"});
    ASSERT_TRUE(monitor->waitForLine(kMoveLine, 10s));
    monitor->collectFor(1200ms); // identical snapshots in the meantime add nothing

    std::vector<std::string> lines;
    for (const auto& text : monitor->texts()) {
        lines.push_back(withoutTime(text));
    }
    EXPECT_THAT(
        lines,
        ElementsAre(
            kStartLine,
            "state=idle locked=true lidClosed=false status=\"Monitoring\" detail=\"Waiting for the Mac to "
            "stay open and become locked.\"",
            kActiveLine,
            "state=pendingArm locked=true lidClosed=false status=\"Pending Arm\" detail=\"Screen locked. "
            "Waiting for the arm delay to finish.\"",
            "state=pendingArm locked=true lidClosed=false status=\"Pending Arm\" detail=\"Hold the locked "
            "state steady while the alarm arms.\"",
            "state=armed locked=true lidClosed=false status=\"Armed\" detail=\"Movement monitoring active "
            "on Apple SPU Accelerometer via SPU accelerometer with threshold 0.0500g.\"",
            std::string{"state=armed locked=true lidClosed=false status=\"Armed\" detail=\""} + kMoveLine +
                "\""));
    EXPECT_THAT(monitor->texts()[1],
                ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z state=idle .*"));

    QFile log{logFilePath()};
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    std::string expected;
    for (const auto& text : monitor->texts()) {
        expected += text + "\n";
    }
    EXPECT_EQ(log.readAll().toStdString(), expected);

    // The sleep inhibitor is held while armed.
    const auto inhibitors = laptop().logind().listInhibitors();
    ASSERT_EQ(inhibitors.size(), 1U);
    EXPECT_EQ(inhibitors.front().what, "idle:sleep");
    EXPECT_EQ(inhibitors.front().who, "Hollerbox");
}

TEST_F(BackgroundMonitorEndToEndTest, LiftSoundsTheAlarmAtTheForcedVolumeRepeatsAndUndoesMuting)
{
    startLaptop();
    MonitorRecorder recorder{laptop().pulse().serverAddress(), PulseAudioServer::sinkName};
    ASSERT_TRUE(recorder.start());
    auto monitor = startMonitor({"--arm-delay", "0.3", "--alarm-volume", "0.8", "--repeat-seconds", "1"});
    liftUntilTriggered(*monitor);
    const auto triggeredAt = monitor->lines().back().arrivedAt;
    EXPECT_THAT(monitor->lines().back().text, HasSubstr("status=\"Alarm Triggered\""));
    ASSERT_TRUE(waitForSink(false, 0.8, 2s)) << "the sink was not forced unmuted to 80 %";

    monitor->collectFor(3s);
    const auto from = recorder.frameAt(triggeredAt);
    const auto to = recorder.frameCount();
    const auto windows = recorder.windowedRms(from, 250);
    ASSERT_GE(windows.size(), 10U);
    const auto loud = std::count_if(windows.begin(), windows.end(), [](double rms) { return rms > 0.02; });
    EXPECT_GE(loud, 6) << "the alarm was not audible on the sink for most of three seconds";
    EXPECT_GT(recorder.rms(from, to), 0.02);

    ASSERT_TRUE(laptop().pulse().setSinkMute(true));
    ASSERT_TRUE(laptop().pulse().setSinkVolumes({0.1, 0.1}));
    EXPECT_TRUE(waitForSink(false, 0.8, 1s))
        << "muting and lowering the sink during the alarm was not undone";
    EXPECT_EQ(monitor->texts().back().find("state=triggered"), 21U);
}

TEST_F(BackgroundMonitorEndToEndTest, TerminationDuringTheAlarmRestoresTheSinkAndExitsCleanly)
{
    startLaptop();
    auto monitor = startMonitor({"--arm-delay", "0.3"});
    liftUntilTriggered(*monitor);
    ASSERT_TRUE(waitForSink(false, 0.65, 2s));
    EXPECT_TRUE(waitFor([&] { return laptop().logind().listInhibitors().size() == 2; }, 2s));
    std::vector<std::string> held;
    for (const auto& inhibitor : laptop().logind().listInhibitors()) {
        held.push_back(
            (inhibitor.what + " | " + inhibitor.who + " | " + inhibitor.why + " | " + inhibitor.mode)
                .toStdString());
        std::cout << "[ inhibitor] " << held.back() << "\n";
    }
    EXPECT_THAT(held,
                ElementsAre("idle:sleep | Hollerbox | HollerboxApp | block",
                            "handle-lid-switch:handle-power-key:handle-suspend-key:handle-hibernate-key | "
                            "Hollerbox | HollerboxAlarm | block"));

    const auto sentAt = monitor->terminate();
    ASSERT_TRUE(monitor->waitForExit(1s)) << "the monitor did not exit within a second of SIGTERM";
    EXPECT_TRUE(monitor->exitedNormallyWithZero()) << "exit code " << monitor->exitCode();
    const auto exitAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(monitor->exitedAt() - sentAt);
    EXPECT_GE(exitAfter.count(), 90);
    std::cout << "[ measure  ] exit " << exitAfter.count() << " ms after SIGTERM\n";
    EXPECT_EQ(monitor->texts().back(), kTerminationLine);
    EXPECT_TRUE(waitForSink(true, initialVolume, 1s)) << "the sink's mute and volume were not restored";
    EXPECT_TRUE(laptop().logind().listInhibitors().empty());
}

TEST_F(BackgroundMonitorEndToEndTest,
       WithoutAnySensorOrAWritableLogItStaysArmedOnStandardOutputAndNeverTriggers)
{
    startLaptop(false);
    QFile blocker{m_directory.filePath(QStringLiteral("not-a-directory"))};
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto monitor = startMonitor({"--log-file", blocker.fileName() + "/monitor.log", "--arm-delay", "0.2"});
    ASSERT_TRUE(monitor->waitForLine("no movement source is available yet", 10s));
    monitor->collectFor(1500ms);
    EXPECT_EQ(monitor->texts().front(), kStartLine);
    EXPECT_EQ(monitor->texts()[2], kActiveLine);
    EXPECT_THAT(
        monitor->texts().back(),
        HasSubstr("status=\"Armed\" detail=\"Protection is active, but no movement source is available "
                  "yet. No automatic trigger will fire.\""));
    for (const auto& text : monitor->texts()) {
        EXPECT_THAT(text, ::testing::Not(HasSubstr("triggered")));
    }
    const auto state = laptop().pulse().sinkState();
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(state->muted);
}

TEST_F(BackgroundMonitorEndToEndTest, AStandardOutputNobodyReadsNeverStallsTheAlarmOrTheExit)
{
    startLaptop();
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    // The pipe is full before the monitor starts, and nobody reads it.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    while (::write(ends[1], "x", 1) == 1) {
    }
    ::fcntl(ends[1], F_SETFL, 0);
    const auto logHas = [this](const char* fragment) {
        return waitFor([&] { return logLines().back().find(fragment) != std::string::npos; }, 10s);
    };
    MonitorProcess monitor{{"--arm-delay", "0.3", "--log-file", logFilePath()}, monitorEnvironment()};
    monitor.redirectStandardOutput(ends[1]);
    ASSERT_TRUE(monitor.start());
    ASSERT_TRUE(logHas(kMoveLine));
    tilt(true);
    ASSERT_TRUE(logHas("state=triggered"));
    EXPECT_TRUE(waitForSink(false, 0.65, 2s)) << "the alarm did not take the sink over";

    monitor.terminate();
    ASSERT_TRUE(monitor.waitForExit(1s)) << "the monitor did not exit within a second of SIGTERM";
    EXPECT_TRUE(monitor.exitedNormallyWithZero());
    EXPECT_TRUE(monitor.lines().empty()) << "standard output did not go to the full pipe";
    EXPECT_EQ(logLines().back(), kTerminationLine);
    EXPECT_TRUE(waitForSink(true, initialVolume, 1s));
    ::close(ends[0]);
    ::close(ends[1]);
}

TEST_F(BackgroundMonitorEndToEndTest, NoArgumentsRunWithTheDefaultsAndTheDefaultLogFile)
{
    startLaptop();
    auto environment = monitorEnvironment();
    MonitorProcess monitor{{}, environment};
    ASSERT_TRUE(monitor.start());
    const auto pending = monitor.waitForLine("state=pendingArm", 5s);
    const auto armed = monitor.waitForLine("state=armed", 5s);
    ASSERT_TRUE(pending && armed);
    const auto armDelay = monitor.lines()[*armed].arrivedAt - monitor.lines()[*pending].arrivedAt;
    EXPECT_GE(armDelay, 1800ms);
    EXPECT_LE(armDelay, 3000ms);
    EXPECT_THAT(monitor.lines()[*armed].text, HasSubstr("threshold 0.0500g."));

    QFile log{environment.value(QStringLiteral("XDG_STATE_HOME")) +
              QStringLiteral("/Logs/Hollerbox/background-monitor/background-monitor.log")};
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    EXPECT_THAT(log.readLine().toStdString(), StartsWith(kStartLine));

    tilt(true);
    ASSERT_TRUE(monitor.waitForLine("state=triggered", 5s));
    EXPECT_TRUE(waitForSink(false, 0.65, 2s)) << "the default alarm volume is 65 %";
}

TEST_F(BackgroundMonitorEndToEndTest, SoundThatIsNotStrictBase64PlaysTheDefaultSound)
{
    // The siren is much louder on average than the spoken default: the level tells which one played.
    const auto alarmLevel = [this](const QString& soundValue) {
        startLaptop();
        MonitorRecorder recorder{laptop().pulse().serverAddress(), PulseAudioServer::sinkName};
        EXPECT_TRUE(recorder.start());
        auto monitor = startMonitor({"--arm-delay", "0.2", "--alarm-sound-base64", soundValue});
        liftUntilTriggered(*monitor);
        const auto from = recorder.frameAt(monitor->lines().back().arrivedAt);
        monitor->collectFor(1800ms);
        return recorder.rms(from, recorder.frameCount());
    };
    const auto siren = QString::fromStdString(
        alarmSoundSelectionCommandLineValue(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm)));
    const double sirenLevel = alarmLevel(siren);
    const double brokenLevel = alarmLevel(siren.left(8) + QStringLiteral("\n") + siren.mid(8));
    std::cout << "[ measure  ] siren RMS " << sirenLevel << ", default sound RMS " << brokenLevel << "\n";
    EXPECT_GT(brokenLevel, 0.02) << "the default sound was not heard";
    EXPECT_GT(sirenLevel, 1.8 * brokenLevel) << "the broken value did not fall back to the default sound";
}

} // namespace
} // namespace hollerbox::testing
