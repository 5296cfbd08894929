#include "PlaybackFixture.h"

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class PlaybackShutdownTest : public RealPlaybackFixture
{
protected:
    /// Starts the police siren at the forced volume 0.65 and waits until it is heard.
    void startSiren()
    {
        const auto started = Clock::now();
        controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
        ASSERT_TRUE(waitUntilHeard(started)) << server.logs();
        ASSERT_TRUE(controller->isPlaying());
    }
};

TEST_F(PlaybackShutdownTest, DestroyingAPlayingControllerSilencesItAndRestoresTheSink)
{
    ASSERT_NO_FATAL_FAILURE(startSiren());
    controller.reset();
    const auto state = server.sinkState();
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(state->muted);
    EXPECT_NEAR(state->channelVolumes.at(0), 0.3, 0.01);
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().empty(); }, 2s));
}

TEST_F(PlaybackShutdownTest, ControllerAndFactoryGoPromptlyWhileTheServerHangs)
{
    ASSERT_NO_FATAL_FAILURE(startSiren());
    server.freeze();
    const auto started = Clock::now();
    controller.reset();
    const auto controllerGone = Clock::now();
    players.reset();
    const auto factoryGone = Clock::now();
    std::cout << "[ measure  ] with a hung server the controller went in "
              << milliseconds(controllerGone - started) << " ms, the factory in "
              << milliseconds(factoryGone - controllerGone) << " ms\n";
    EXPECT_LT(controllerGone - started, 2s);
    EXPECT_LT(factoryGone - controllerGone, 2s);
    server.thaw();
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().empty(); }, 5s));
}

TEST_F(PlaybackShutdownTest, AStopDuringTheFallbackAfterAPassingFailureSilencesIt)
{
    // No override, which a hung server would hold up: the sink is opened up by hand.
    ASSERT_TRUE(server.setSinkVolumes({1.0, 1.0}) && server.setSinkMute(false));
    server.freeze();
    ::testing::internal::CaptureStderr();
    controller->play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, std::nullopt);
    processEventsFor(3500ms); // the first open gives up after the 2 s preroll timeout and its 0.5 s margin
    server.thaw();
    const auto fallback = waitUntilHeard(Clock::now());
    const auto errors = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(errors.starts_with(
        "AlarmPlaybackController custom file error: The sound could not be prepared in time.\n"))
        << errors << server.logs();
    ASSERT_TRUE(fallback.has_value()) << errors << server.logs();
    ASSERT_TRUE(controller->isPlaying());
    controller->stop();
    const auto stopped = Clock::now();
    processEventsFor(1s);
    const auto from = recorder.frameAt(stopped + 100ms);
    const auto heard = recorder.firstAudibleAt(from, 0.01);
    std::cout << "[ measure  ] after a stop during the fallback: peak "
              << recorder.peak(from, recorder.frameCount())
              << (heard ? ", heard " + std::to_string(milliseconds(*heard - stopped)) + " ms after" : "")
              << "\n";
    EXPECT_FALSE(heard.has_value()) << server.logs();
    EXPECT_GT(recorder.frameCount() - from, 30000u);
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().empty(); }, 2s));
}

} // namespace
} // namespace hollerbox::testing
