#include "PlaybackFixture.h"
#include "ServerEventLog.h"

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The real playback stack on a sink with a speaker and a headphones port, the headphones active.
class OutputPortTest : public RealPlaybackFixture
{
protected:
    OutputPortTest() : RealPlaybackFixture{PulseAudioServer::Sink::twoPorts} {}

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

    void expectSink(const std::string& port, bool muted, double volume, const std::string& label)
    {
        const auto state = server.sinkState();
        ASSERT_TRUE(state.has_value()) << label;
        EXPECT_EQ(state->activePort, port) << label;
        EXPECT_EQ(state->muted, muted) << label;
        ASSERT_EQ(state->channelVolumes.size(), 2u) << label;
        EXPECT_NEAR(state->channelVolumes[0], volume, 1e-3) << label;
        EXPECT_NEAR(state->channelVolumes[1], volume, 1e-3) << label;
    }

    ServerEventLog events{server.serverAddress()};
};

TEST_F(OutputPortTest, TheAlarmMovesToTheSpeakerUndoesAPluggedJackAndMovesBackWhenItStops)
{
    expectSink(PulseAudioServer::headphonesPort, true, 0.3, "before");

    const auto started = Clock::now();
    controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
    EXPECT_TRUE(waitUntilHeard(started).has_value()) << server.logs();
    expectSink(PulseAudioServer::speakerPort, false, 0.65, "sounding");

    const auto object = "'change' on sink #" + std::to_string(server.sinkState().value().index);
    processEventsFor(200ms);
    const auto attacked = Clock::now();
    auto plug =
        server.startPactl({"set-sink-port", PulseAudioServer::sinkName, PulseAudioServer::headphonesPort});
    ASSERT_TRUE(waitProcessingEvents([&] { return plug->state() == QProcess::NotRunning; }, 5s));
    ASSERT_EQ(plug->exitCode(), 0) << plug->readAllStandardError().toStdString();
    processEventsFor(300ms);
    const auto changes = events.eventsSince(attacked, object);
    ASSERT_GE(changes.size(), 2u);
    const auto undone = changes.back().arrivedAt - changes.front().arrivedAt;
    std::cout << "[ measure  ] headphones selected during the alarm: " << changes.size()
              << " sink change events, the last " << milliseconds(undone) << " ms after the first\n";
    EXPECT_LT(undone, 50ms);
    expectSink(PulseAudioServer::speakerPort, false, 0.65, "after the plug");

    controller->stop();
    expectSink(PulseAudioServer::headphonesPort, true, 0.3, "after");
}

} // namespace
} // namespace hollerbox::testing
