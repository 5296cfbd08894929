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

} // namespace
} // namespace hollerbox::testing
