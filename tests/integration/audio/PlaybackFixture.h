#pragma once

#include "EventLoopWait.h"
#include "MonitorRecorder.h"
#include "PulseAudioServer.h"
#include "QtTestApplication.h"
#include "audio/AlarmPlaybackController.h"
#include "audio/AudioReadinessProbe.h"
#include "linux/audio/AudioFilePlayerFactoryGst.h"
#include "linux/audio/AudioHardwarePulse.h"
#include "linux/audio/ResourceDirectoriesLinux.h"
#include "linux/base/BackgroundWorkerQt.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {

/// The real playback stack (GStreamer, PulseAudio, the Qt main queue) against a private server whose sink is
/// recorded, with the built-in sounds of the build tree's stage directory.
class RealPlaybackFixture : public ::testing::Test
{
protected:
    using Clock = std::chrono::steady_clock;

    explicit RealPlaybackFixture(PulseAudioServer::Sink sink = PulseAudioServer::Sink::null) : server{sink} {}

    static std::string dataFile(const std::string& name)
    {
        return std::string{HOLLERBOX_TEST_DATA_DIR} + "/audio/" + name;
    }

    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(server.start()) << server.logs();
        ASSERT_TRUE(server.setSinkVolumes({0.3, 0.3}));
        ASSERT_TRUE(server.setSinkMute(true));
        hardware =
            std::make_unique<AudioHardwarePulse>(queue, AudioHardwarePulse::Options{server.serverAddress()});
        players = std::make_unique<AudioFilePlayerFactoryGst>(
            AudioFilePlayerFactoryGst::Options{server.serverAddress()});
        controller = std::make_unique<AlarmPlaybackController>(
            std::make_unique<SystemAudioOverrideController>(*hardware), *players, sounds, queue, worker,
            clock);
        ASSERT_TRUE(recorder.start()) << server.logs();
    }

    void TearDown() override
    {
        if (controller) {
            controller->stop();
        }
        server.thaw();
        recorder.stop();
    }

    /// Waits until the controller has finished its playback.
    bool waitUntilFinished(std::chrono::milliseconds limit = std::chrono::seconds{15})
    {
        return waitProcessingEvents([this] { return !controller->isPlaying(); }, limit);
    }

    /// Waits until the sink carries sound louder than `threshold` after `since`.
    std::optional<Clock::time_point> waitUntilHeard(Clock::time_point since,
                                                    std::chrono::milliseconds limit = std::chrono::seconds{5},
                                                    double threshold = 0.01)
    {
        std::optional<Clock::time_point> heard;
        waitProcessingEvents(
            [&] {
                heard = recorder.firstAudibleAt(recorder.frameAt(since), threshold);
                return heard.has_value();
            },
            limit);
        return heard;
    }

    /// Waits until the sink has carried nothing audible for `span`, so that what was playing before cannot
    /// be taken for what plays next.
    bool waitUntilQuiet(std::chrono::milliseconds span = std::chrono::milliseconds{300},
                        std::chrono::milliseconds limit = std::chrono::seconds{3})
    {
        const auto since = Clock::now();
        return waitProcessingEvents(
            [&] {
                const auto now = Clock::now();
                return now - since >= span && !recorder.firstAudibleAt(recorder.frameAt(now - span), 0.01);
            },
            limit);
    }

    static double milliseconds(Clock::duration duration)
    {
        return std::chrono::duration<double, std::milli>(duration).count();
    }

    PulseAudioServer server;
    MainQueueQt queue;
    ClockSystem clock;
    ResourceDirectoriesLinux directories{std::string{HOLLERBOX_STAGE_DIR} + "/bin/test"};
    BuiltInSoundLocator sounds{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    std::unique_ptr<AudioHardwarePulse> hardware;
    std::unique_ptr<AudioFilePlayerFactoryGst> players;
    BackgroundWorkerQt worker{queue};
    std::unique_ptr<AlarmPlaybackController> controller;
    MonitorRecorder recorder{server.serverAddress(), PulseAudioServer::sinkName};
};

} // namespace hollerbox::testing
