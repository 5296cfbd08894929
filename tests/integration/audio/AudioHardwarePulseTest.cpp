#include "linux/audio/AudioHardwarePulse.h"

#include "EventLoopWait.h"
#include "PulseAudioServer.h"
#include "QtTestApplication.h"
#include "audio/AudioReadinessProbe.h"
#include "audio/SystemAudioOverrideController.h"
#include "linux/base/MainQueueQt.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class AudioHardwarePulseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(server.start()) << server.logs();
    }

    std::unique_ptr<AudioHardwarePulse> connect()
    {
        return std::make_unique<AudioHardwarePulse>(queue,
                                                    AudioHardwarePulse::Options{server.serverAddress()});
    }

    PulseAudioServer server;
    MainQueueQt queue;
};

TEST_F(AudioHardwarePulseTest, ForcesAndRestoresUnevenChannelsAndMuteExactly)
{
    ASSERT_TRUE(server.setSinkVolumes({0.3, 0.7}));
    ASSERT_TRUE(server.setSinkMute(true));
    const auto before = server.sinkState();
    ASSERT_TRUE(before.has_value());

    auto hardware = connect();
    const auto device = hardware->defaultOutputDeviceID();
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(*device, before->index + 1);
    EXPECT_TRUE(hardware->hasProperty(*device, AudioDeviceProperty::mute, 0));
    EXPECT_FALSE(hardware->hasProperty(*device, AudioDeviceProperty::mute, 1));
    EXPECT_TRUE(hardware->hasProperty(*device, AudioDeviceProperty::volume, 2));
    EXPECT_FALSE(hardware->hasProperty(*device + 40, AudioDeviceProperty::volume, 0));
    EXPECT_NEAR(*hardware->readVolume(*device, 0), 0.7f, 1e-4);
    EXPECT_NEAR(*hardware->readVolume(*device, 1), 0.3f, 1e-4);
    EXPECT_TRUE(hardware->outputPorts(*device).empty());
    EXPECT_FALSE(hardware->selectOutputPort(*device, PulseAudioServer::speakerPort));

    SystemAudioOverrideController controller{*hardware};
    ASSERT_TRUE(controller.begin(0.65f));
    auto forced = server.sinkState();
    ASSERT_TRUE(forced.has_value());
    EXPECT_FALSE(forced->muted);
    ASSERT_EQ(forced->channelVolumes.size(), 2u);
    EXPECT_NEAR(forced->channelVolumes[0], 0.65, 1e-4);
    EXPECT_NEAR(forced->channelVolumes[1], 0.65, 1e-4);

    controller.end();
    const auto after = server.sinkState();
    ASSERT_TRUE(after.has_value());
    EXPECT_TRUE(after->muted);
    EXPECT_EQ(after->channelVolumes, before->channelVolumes);
}

TEST_F(AudioHardwarePulseTest, ReadinessFollowsTheRealSink)
{
    auto hardware = connect();
    AudioReadinessProbe probe{*hardware, 0.15f};

    ASSERT_TRUE(server.setSinkVolumes({0.57, 0.57}));
    auto snapshot = probe.currentReadiness();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_EQ(snapshot.detail,
              "Output volume is about 57%. Run a test alarm before you trust the Mac with its big moment.");
    EXPECT_EQ(snapshot.isMuted, false);

    ASSERT_TRUE(server.setSinkVolumes({0.1, 0.4}));
    snapshot = probe.currentReadiness();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_EQ(snapshot.detail.substr(0, 27), "Output volume is about 40%.");

    ASSERT_TRUE(server.setSinkVolumes({0.15, 0.12}));
    snapshot = probe.currentReadiness();
    EXPECT_EQ(snapshot.title, "System Volume Is Very Low");
    EXPECT_EQ(snapshot.detail, "Current output volume is about 15%. That might be a little too polite.");

    ASSERT_TRUE(server.setSinkMute(true));
    snapshot = probe.currentReadiness();
    EXPECT_EQ(snapshot.title, "System Audio Is Muted");
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::warning);
    EXPECT_NEAR(*snapshot.volumeScalar, 0.15, 1e-4);

    ASSERT_TRUE(server.pactl({"unload-module", "module-null-sink"}).has_value());
    snapshot = probe.currentReadiness();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::unavailable);
    EXPECT_EQ(snapshot.title, "Audio Output Unavailable");
}

TEST_F(AudioHardwarePulseTest, ReportsChangesOnTheMainThread)
{
    auto hardware = connect();
    int changes = 0;
    hardware->setChangeHandler([&] { ++changes; });
    processEventsFor(50ms);
    changes = 0;
    ASSERT_TRUE(server.setSinkMute(true));
    EXPECT_TRUE(waitProcessingEvents([&] { return changes > 0; }, 2s));
    hardware->setChangeHandler({});
    changes = 0;
    ASSERT_TRUE(server.setSinkMute(false));
    processEventsFor(100ms);
    EXPECT_EQ(changes, 0);
}

TEST_F(AudioHardwarePulseTest, AHungServerBlocksBrieflyOnceAndIsRejoinedWhenItAnswers)
{
    auto hardware = connect();
    AudioReadinessProbe probe{*hardware, 0.15f};
    ASSERT_EQ(probe.currentReadiness().level, AudioReadinessLevel::ready);

    server.freeze();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(probe.currentReadiness().level, AudioReadinessLevel::unavailable);
    const auto first = std::chrono::steady_clock::now() - started;
    const auto again = std::chrono::steady_clock::now();
    SystemAudioOverrideController controller{*hardware};
    EXPECT_FALSE(controller.begin(1.0f));
    EXPECT_EQ(probe.currentReadiness().level, AudioReadinessLevel::unavailable);
    const auto second = std::chrono::steady_clock::now() - again;
    std::cout << "[ measure  ] hung server: first check "
              << std::chrono::duration<double, std::milli>(first).count() << " ms, next calls "
              << std::chrono::duration<double, std::milli>(second).count() << " ms\n";
    EXPECT_LT(first, 1s);
    EXPECT_LT(second, 1s);

    server.thaw();
    EXPECT_TRUE(waitProcessingEvents(
        [&] { return probe.currentReadiness().level == AudioReadinessLevel::ready; }, 10s));
}

TEST_F(AudioHardwarePulseTest, AServerThatGoesAwayAndComesBackIsReconnected)
{
    auto hardware = connect();
    AudioReadinessProbe probe{*hardware, 0.15f};
    ASSERT_TRUE(hardware->isConnected());
    server.kill();
    EXPECT_TRUE(waitProcessingEvents([&] { return !hardware->isConnected(); }, 5s));
    EXPECT_EQ(probe.currentReadiness().level, AudioReadinessLevel::unavailable);
    ASSERT_TRUE(server.start()) << server.logs();
    EXPECT_TRUE(waitProcessingEvents(
        [&] { return probe.currentReadiness().level == AudioReadinessLevel::ready; }, 10s));
}

TEST(AudioHardwarePulseNoServerTest, NoServerIsUnavailableAtOnce)
{
    ensureCoreApplication();
    MainQueueQt queue;
    const auto started = std::chrono::steady_clock::now();
    AudioHardwarePulse hardware{queue, {"unix:/nonexistent/hollerbox/native"}};
    AudioReadinessProbe probe{hardware, 0.15f};
    EXPECT_EQ(probe.currentReadiness().level, AudioReadinessLevel::unavailable);
    SystemAudioOverrideController controller{hardware};
    EXPECT_FALSE(controller.begin(0.5f));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

} // namespace
} // namespace hollerbox::testing
