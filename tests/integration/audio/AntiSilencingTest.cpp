#include "PlaybackFixture.h"
#include "ServerEventLog.h"

#include <cmath>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class AntiSilencingTest : public RealPlaybackFixture
{
protected:
    ServerEventLog events{server.serverAddress()};

    /// Starts the police siren (continuous and loud) at the forced volume 0.65 and waits until it is heard.
    bool startSiren()
    {
        const auto started = Clock::now();
        controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
        const bool heard = waitUntilHeard(started).has_value();
        processEventsFor(100ms);
        return heard;
    }

    void SetUp() override
    {
        RealPlaybackFixture::SetUp();
        ASSERT_TRUE(events.start());
    }

    void TearDown() override
    {
        events.stop();
        RealPlaybackFixture::TearDown();
    }

    /// Runs `pactl` with the event loop running, then returns how long the sink stayed silent afterwards.
    /// Also reports the time between the attack's change event on `object` and the next one, the undo.
    double silenceAfter(const QStringList& attack, const std::string& label, const std::string& object)
    {
        const auto attacked = Clock::now();
        auto process = server.startPactl(attack);
        EXPECT_TRUE(waitProcessingEvents([&] { return process->state() == QProcess::NotRunning; }, 5s))
            << label;
        EXPECT_EQ(process->exitCode(), 0) << label << ": " << process->readAllStandardError().toStdString();
        processEventsFor(300ms);
        const auto quiet =
            recorder.longestQuietRunMs(recorder.frameAt(attacked), recorder.frameAt(Clock::now()), 0.01);
        const auto changes = events.eventsSince(attacked, "'change' on " + object);
        const auto undo =
            changes.size() >= 2 ? milliseconds(changes[1].arrivedAt - changes[0].arrivedAt) : -1.0;
        std::cout << "[ measure  ] " << label << ": undone " << undo
                  << " ms after the attack's change event; " << quiet << " ms of silence on the sink\n";
        EXPECT_GE(changes.size(), 2u) << label;
        return quiet;
    }
};

TEST_F(AntiSilencingTest, MutingOrLoweringTheDeviceIsUndoneAtOnce)
{
    const QString sink = QString::fromLatin1(PulseAudioServer::sinkName);
    for (const auto& [attack, label] :
         {std::pair{QStringList{"set-sink-mute", sink, "1"}, "device muted"},
          std::pair{QStringList{"set-sink-volume", sink, "5%"}, "device lowered to 5%"},
          std::pair{QStringList{"set-sink-volume", sink, "0", "65536"}, "left channel set to 0"}}) {
        ASSERT_TRUE(startSiren()) << label;
        const auto object = "sink #" + std::to_string(server.sinkState().value().index);
        EXPECT_LT(silenceAfter(attack, label, object), 250.0) << label;
        const auto state = server.sinkState();
        ASSERT_TRUE(state.has_value());
        EXPECT_FALSE(state->muted) << label;
        EXPECT_NEAR(state->channelVolumes.at(0), 0.65, 1e-3) << label;
        EXPECT_NEAR(state->channelVolumes.at(1), 0.65, 1e-3) << label;
        controller->stop();
    }
    const auto restored = server.sinkState();
    ASSERT_TRUE(restored.has_value());
    EXPECT_TRUE(restored->muted);
    EXPECT_NEAR(restored->channelVolumes.at(0), 0.3, 1e-3);
}

TEST_F(AntiSilencingTest, MutingOrLoweringTheAlarmsOwnStreamIsUndoneAtOnce)
{
    for (const auto& [command, value, label] :
         {std::tuple{"set-sink-input-mute", "1", "alarm stream muted"},
          std::tuple{"set-sink-input-volume", "10%", "alarm stream lowered to 10%"}}) {
        ASSERT_TRUE(startSiren()) << label;
        const auto streams = server.sinkInputs();
        ASSERT_EQ(streams.size(), 1u) << label;
        const auto object = "sink-input #" + std::to_string(streams.front());
        EXPECT_LT(silenceAfter({command, QString::number(streams.front()), value}, label, object), 250.0)
            << label;
        controller->stop();
    }
}

TEST_F(AntiSilencingTest, AStreamMovedToAnotherSinkIsBroughtBackAndBothSinksEndAsTheUserLeftThem)
{
    constexpr const char* second = "hollerbox_second_sink";
    ASSERT_TRUE(
        server.pactl({"load-module", "module-null-sink", QStringLiteral("sink_name=%1").arg(second)}));
    ASSERT_TRUE(server.setSinkVolumes({0.4, 0.5}, second));
    const auto secondBefore = server.sinkState(second);
    ASSERT_TRUE(secondBefore.has_value());
    ASSERT_TRUE(startSiren());
    const auto ours = server.sinkState().value().index;
    const auto streams = server.sinkInputs();
    ASSERT_EQ(streams.size(), 1u);

    const auto moved = Clock::now();
    ASSERT_TRUE(server.pactl({"move-sink-input", QString::number(streams.front()), second}));
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkOfInput(streams.front()) == ours; }, 2s));
    processEventsFor(300ms);
    const auto quiet =
        recorder.longestQuietRunMs(recorder.frameAt(moved), recorder.frameAt(Clock::now()), 0.01);
    std::cout << "[ measure  ] stream moved away: " << quiet << " ms of silence on the forced sink\n";
    EXPECT_LT(quiet, 250.0);
    const auto forced = server.sinkState();
    ASSERT_TRUE(forced.has_value());
    EXPECT_FALSE(forced->muted);
    EXPECT_NEAR(forced->channelVolumes.at(0), 0.65, 1e-3);

    controller->stop();
    const auto restored = server.sinkState();
    ASSERT_TRUE(restored.has_value());
    EXPECT_TRUE(restored->muted);
    EXPECT_NEAR(restored->channelVolumes.at(0), 0.3, 1e-3);
    const auto secondAfter = server.sinkState(second);
    ASSERT_TRUE(secondAfter.has_value());
    EXPECT_EQ(secondAfter->muted, secondBefore->muted);
    EXPECT_EQ(secondAfter->channelVolumes, secondBefore->channelVolumes);
}

TEST_F(AntiSilencingTest, AnUnpluggedDeviceHandsTheAlarmToTheNextOneAndEachGetsItsValuesBack)
{
    constexpr const char* dock = "hollerbox_dock_sink";
    const auto plugIn = [&] {
        return server.pactl({"load-module", "module-null-sink", QStringLiteral("sink_name=%1").arg(dock)});
    };
    const auto module = plugIn();
    ASSERT_TRUE(module.has_value());
    ASSERT_TRUE(server.setSinkVolumes({0.4, 0.5}, dock));
    ASSERT_TRUE(server.pactl({"set-default-sink", dock}));
    const auto dockBefore = server.sinkState(dock);
    ASSERT_TRUE(dockBefore.has_value());
    const auto forcedWithin = [&](const char* sink, std::chrono::milliseconds limit) {
        return waitProcessingEvents(
            [&] {
                const auto state = server.sinkState(sink);
                return state && !state->muted && std::abs(state->channelVolumes.at(0) - 0.65) < 1e-3;
            },
            limit);
    };
    controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
    ASSERT_TRUE(forcedWithin(dock, 3s));

    // The server moves the siren to the recorded sink, muted at 0.3 by the user.
    const auto unplugged = Clock::now();
    ASSERT_TRUE(server.pactl({"unload-module", QString::fromStdString(*module).trimmed()}));
    EXPECT_TRUE(forcedWithin(PulseAudioServer::sinkName, 1s))
        << "the next device was not forced within a second";
    std::cout << "[ measure  ] device unplugged: the next one forced after "
              << milliseconds(Clock::now() - unplugged) << " ms\n";
    const auto heard = waitUntilHeard(unplugged, 3s, 0.05);
    ASSERT_TRUE(heard.has_value()) << "the siren was not heard on the next device";
    std::cout << "[ measure  ] device unplugged: siren heard on the next one after "
              << milliseconds(*heard - unplugged) << " ms\n";

    controller->stop();
    const auto restored = server.sinkState();
    ASSERT_TRUE(restored.has_value());
    EXPECT_TRUE(restored->muted);
    EXPECT_NEAR(restored->channelVolumes.at(0), 0.3, 1e-3);
    // The unplugged device's values wait for it, and land when it is back.
    ASSERT_TRUE(plugIn().has_value());
    EXPECT_TRUE(waitProcessingEvents(
        [&] {
            const auto state = server.sinkState(dock);
            return state && state->muted == dockBefore->muted &&
                   state->channelVolumes == dockBefore->channelVolumes;
        },
        2s))
        << "the unplugged device did not get its values back";
}

/// The same on a server whose sink volumes follow their loudest stream.
class FlatVolumeTest : public AntiSilencingTest
{
protected:
    void SetUp() override
    {
        server.setFlatVolumes(true);
        AntiSilencingTest::SetUp();
    }
};

TEST_F(FlatVolumeTest, TheSinkAndTheAlarmsOwnStreamDoNotPushAgainstEachOther)
{
    ASSERT_TRUE(startSiren());
    const auto device = hardware->defaultOutputDeviceID();
    ASSERT_TRUE(device.has_value());
    EXPECT_TRUE(hardware->hasProperty(*device, AudioDeviceProperty::volumeFollowsStreams, 0));
    processEventsFor(500ms);
    const auto since = Clock::now();
    processEventsFor(1s);
    const auto changes =
        events.eventsSince(since, "'change' on sink #" + std::to_string(server.sinkState().value().index));
    std::cout << "[ measure  ] flat volumes: " << changes.size() << " sink changes in 1 s of alarm\n";
    EXPECT_LT(changes.size(), 3u);
    const auto state = server.sinkState();
    ASSERT_TRUE(state.has_value());
    EXPECT_FALSE(state->muted);
    EXPECT_GE(state->channelVolumes.at(0), 0.65 - 1e-3);

    controller->stop();
    const auto restored = server.sinkState();
    ASSERT_TRUE(restored.has_value());
    EXPECT_TRUE(restored->muted);
    EXPECT_NEAR(restored->channelVolumes.at(0), 0.3, 1e-3);
}

TEST_F(AntiSilencingTest, AMuteTheServerRemembersForTheProgramIsOverriddenFromTheStart)
{
    QProcess stream;
    stream.setProcessEnvironment(server.clientEnvironment());
    stream.start("paplay", {"--server=" + QString::fromStdString(server.serverAddress()),
                            "--property=application.id=org.hollerbox.Hollerbox",
                            QString::fromStdString(dataFile("tone.wav"))});
    ASSERT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().size() == 1; }, 5s));
    const auto index = QString::number(server.sinkInputs().front());
    ASSERT_TRUE(server.pactl({"set-sink-input-mute", index, "1"}).has_value());
    ASSERT_TRUE(server.pactl({"set-sink-input-volume", index, "10%"}).has_value());
    ASSERT_TRUE(waitProcessingEvents([&] { return stream.state() == QProcess::NotRunning; }, 5s));

    const auto started = Clock::now();
    controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
    const auto heard = waitUntilHeard(started, 5s, 0.05);
    ASSERT_TRUE(heard.has_value());
    std::cout << "[ measure  ] with a remembered mute: heard at full level after "
              << milliseconds(*heard - started) << " ms\n";
    // Forced as the stream starts, well before the first 500 ms refresh; instrumented builds, several times
    // slower, only show that the remembered mute does not last.
#if defined(__SANITIZE_ADDRESS__)
    constexpr auto limit = 1200ms;
#else
    constexpr auto limit = 400ms;
#endif
    EXPECT_LT(*heard - started, limit);
}

TEST_F(AntiSilencingTest, ASirenWhoseServerDiesWaitsForItAndIsHeardAgainAtTheForcedVolume)
{
    ASSERT_TRUE(startSiren());
    ::testing::internal::CaptureStderr();
    server.kill();
    processEventsFor(1s);
    EXPECT_TRUE(controller->isPlaying()) << "the siren gave up while its server was away";

    ASSERT_TRUE(server.start()) << server.logs();
    const auto back = Clock::now();
    ASSERT_TRUE(recorder.start()) << server.logs();
    // A new null sink passes nothing to a recorder for its first seconds, so this bound is generous.
    EXPECT_TRUE(waitUntilHeard(back, 6s).has_value()) << "the siren was not heard again";
    EXPECT_TRUE(waitProcessingEvents(
        [&] {
            const auto state = server.sinkState();
            return state && !state->muted && std::abs(state->channelVolumes.at(0) - 0.65) < 1e-3;
        },
        2s))
        << "the new server's sink was not forced";
    EXPECT_TRUE(controller->isPlaying());
    ::testing::internal::GetCapturedStderr();
}

TEST_F(AntiSilencingTest, AHungServerNeverBlocksPlay)
{
    ASSERT_TRUE(startSiren());
    controller->stop();
    server.freeze();
    const auto started = Clock::now();
    ::testing::internal::CaptureStderr();
    controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff), 3, 180, 0.65f);
    const auto returned = Clock::now() - started;
    std::cout << "[ measure  ] play with a hung server returned after " << milliseconds(returned) << " ms\n";
    EXPECT_LT(returned, 1s);
    processEventsFor(200ms);
    controller->stop();
    server.thaw();
    EXPECT_TRUE(waitProcessingEvents([&] { return hardware->isConnected(); }, 10s));
    ::testing::internal::GetCapturedStderr();
}

TEST(AlarmPlaybackWithoutServerTest, ReadinessIsUnavailableAndPlayReturnsAtOnce)
{
    ensureCoreApplication();
    MainQueueQt queue;
    ClockSystem clock;
    const std::string nowhere = "unix:/nonexistent/hollerbox/native";
    AudioHardwarePulse hardware{queue, {nowhere}};
    AudioFilePlayerFactoryGst players{{nowhere}};
    ResourceDirectoriesLinux directories{std::string{HOLLERBOX_STAGE_DIR} + "/bin/test"};
    BuiltInSoundLocator sounds{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    BackgroundWorkerQt worker{queue};
    AudioReadinessProbe readiness{hardware, 0.15f};
    AlarmPlaybackController controller{
        std::make_unique<SystemAudioOverrideController>(hardware), players, sounds, queue, worker, clock};
    EXPECT_EQ(readiness.currentReadiness().level, AudioReadinessLevel::unavailable);

    ::testing::internal::CaptureStderr();
    const auto started = std::chrono::steady_clock::now();
    controller.play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
    // It waits for a server, quietly, for as long as it is not stopped.
    processEventsFor(2s);
    EXPECT_TRUE(controller.isPlaying());
    const auto errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(errors.starts_with("AlarmPlaybackController custom file error: ")) << errors;
    EXPECT_TRUE(
        errors.ends_with("AlarmPlaybackController has no output device; waiting for one to play again.\n"))
        << errors;
    std::cout << "[ measure  ] without a server: " << errors;
    controller.stop();
    EXPECT_FALSE(controller.isPlaying());
}

} // namespace
} // namespace hollerbox::testing
