#include "audio/SystemAudioOverrideController.h"

#include "audio/FakeAudioHardware.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using Strings = std::vector<std::string>;

class SystemAudioOverrideControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        hardware.defaultDevice = 7;
        hardware.devices[7] = FakeAudioHardware::stereoDevice(1, 0.3f);
        hardware.devices[7].volume[1].value = 0.2f;
        hardware.devices[7].volume[2].value = 0.4f;
        hardware.devices[7].mute[2].value = 0;
    }

    FakeAudioHardware hardware;
    SystemAudioOverrideController controller{hardware};
};

TEST_F(SystemAudioOverrideControllerTest, RecordsEveryChannelThenForcesAndRestoresEveryElement)
{
    auto& device = hardware.devices[7];
    device.volume.push_back({true, true, true, 0.1f});
    device.volume.push_back({true, true, true, 0.9f});
    EXPECT_TRUE(controller.begin(0.65f));
    EXPECT_EQ(hardware.writes(), (Strings{"writeMute 0=0", "writeMute 1=0", "writeMute 2=0",
                                          "writeVolume 0=0.65", "writeVolume 1=0.65", "writeVolume 2=0.65",
                                          "writeVolume 3=0.65", "writeVolume 4=0.65"}));
    ASSERT_TRUE(controller.isOverriding());
    EXPECT_EQ(*controller.activeSnapshot(), (SystemAudioOverrideController::Snapshot{
                                                7, {1, 1, 0, {}, {}}, {0.3f, 0.2f, 0.4f, 0.1f, 0.9f}}));
    EXPECT_EQ(hardware.ownPlaybackDevice, 7u);

    hardware.calls.clear();
    controller.end();
    EXPECT_EQ(hardware.writes(),
              (Strings{"writeMute 0=1", "writeMute 1=1", "writeMute 2=0", "writeVolume 0=0.3",
                       "writeVolume 1=0.2", "writeVolume 2=0.4", "writeVolume 3=0.1", "writeVolume 4=0.9"}));
    EXPECT_FALSE(controller.isOverriding());
    EXPECT_FALSE(hardware.ownPlaybackDevice.has_value());
}

TEST_F(SystemAudioOverrideControllerTest, ASecondBeginKeepsTheFirstSnapshotAndTakesOverANewDefaultDevice)
{
    controller.begin(0.5f);
    hardware.devices[7].volume[0].value = 0.2f;
    hardware.calls.clear();
    EXPECT_TRUE(controller.begin(0.5f));
    EXPECT_EQ(hardware.writes(), (Strings{"writeMute 0=0", "writeMute 1=0", "writeMute 2=0",
                                          "writeVolume 0=0.5", "writeVolume 1=0.5", "writeVolume 2=0.5"}));

    // The forced device is unplugged: the next default is taken over, and both get their values back, each
    // as it was before it was first taken over, even one that comes and goes again.
    hardware.devices[8] = FakeAudioHardware::stereoDevice(1, 0.1f);
    for (const std::uint32_t device : {8u, 7u, 8u}) {
        hardware.defaultDevice = device;
        EXPECT_TRUE(device == 8 ? controller.reapplyIfChanged(0.5f) : controller.begin(0.5f));
        EXPECT_EQ(hardware.devices[device].mute[0].value, 0u);
        EXPECT_EQ(hardware.devices[device].volume[0].value, 0.5f);
        EXPECT_EQ(hardware.ownPlaybackDevice, device);
    }
    EXPECT_EQ(controller.activeSnapshot()->deviceID, 7u);
    controller.end();
    EXPECT_EQ(hardware.devices[7].volume[0].value, 0.3f);
    EXPECT_EQ(hardware.devices[7].mute[0].value, 1u);
    EXPECT_EQ(hardware.devices[8].volume[0].value, 0.1f);
    EXPECT_EQ(hardware.devices[8].mute[0].value, 1u);
    hardware.calls.clear();
    controller.end();
    EXPECT_TRUE(hardware.calls.empty());
}

TEST_F(SystemAudioOverrideControllerTest, DestructionEndsAnActiveOverrideOnly)
{
    {
        SystemAudioOverrideController idle{hardware};
    }
    EXPECT_TRUE(hardware.calls.empty());
    {
        SystemAudioOverrideController overriding{hardware};
        overriding.begin(0.9f);
        hardware.calls.clear();
    }
    EXPECT_EQ(hardware.writes(), (Strings{"writeMute 0=1", "writeMute 1=1", "writeMute 2=0",
                                          "writeVolume 0=0.3", "writeVolume 1=0.2", "writeVolume 2=0.4"}));
}

TEST_F(SystemAudioOverrideControllerTest, ClampsTheTargetAndStillUnmutes)
{
    controller.begin(2.0f);
    EXPECT_EQ(hardware.devices[7].volume[1].value, 1.0f);
    controller.begin(-1.0f);
    EXPECT_EQ(hardware.devices[7].volume[0].value, 0.0f);
    EXPECT_EQ(hardware.devices[7].mute[0].value, 0u);
    controller.begin(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(hardware.devices[7].volume[2].value, 0.0f);
}

TEST_F(SystemAudioOverrideControllerTest, NoDeviceChangesNothing)
{
    hardware.defaultDevice.reset();
    EXPECT_FALSE(controller.begin(0.5f));
    hardware.defaultDevice = 0;
    EXPECT_FALSE(controller.begin(0.5f));
    EXPECT_TRUE(hardware.writes().empty());
    EXPECT_FALSE(controller.isOverriding());
    controller.end();
    EXPECT_TRUE(hardware.writes().empty());
}

TEST_F(SystemAudioOverrideControllerTest, SkipsMissingPropertiesAndLeavesUnreadValuesAlone)
{
    auto& device = hardware.devices[7];
    device = {};
    device.mute[0] = {true, true, true, 1};
    device.volume[0] = {true, true, true, 0.4f};
    controller.begin(0.8f);
    EXPECT_EQ(*controller.activeSnapshot(), (SystemAudioOverrideController::Snapshot{7, {1}, {0.4f}}));
    hardware.calls.clear();
    controller.end();
    EXPECT_EQ(hardware.writes(), (Strings{"writeMute 0=1", "writeVolume 0=0.4"}));

    device.mute = {};
    device.volume[0].readable = false;
    device.volume[1] = {true, true, true, 0.1f};
    hardware.calls.clear();
    controller.begin(0.8f);
    EXPECT_EQ(hardware.writes(), (Strings{"writeVolume 0=0.8", "writeVolume 1=0.8"}));
    hardware.calls.clear();
    controller.end();
    EXPECT_EQ(hardware.writes(), (Strings{"writeVolume 1=0.1"}));
    EXPECT_EQ(device.volume[0].value, 0.8f);
}

TEST_F(SystemAudioOverrideControllerTest, FailedWritesAndAVanishedDeviceAreIgnored)
{
    hardware.devices[7].volume[0].writable = false;
    EXPECT_TRUE(controller.begin(0.7f));
    EXPECT_EQ(hardware.devices[7].volume[1].value, 0.7f);
    hardware.devices.erase(7);
    controller.end();
    EXPECT_FALSE(controller.isOverriding());
}

TEST_F(SystemAudioOverrideControllerTest, ReappliesOnlyWhenTheDeviceMovedAway)
{
    EXPECT_FALSE(controller.reapplyIfChanged(0.6f));
    controller.begin(0.6f);
    hardware.calls.clear();
    EXPECT_FALSE(controller.reapplyIfChanged(0.6f));
    EXPECT_TRUE(hardware.writes().empty());
    hardware.devices[7].mute[0].value = 1;
    EXPECT_TRUE(controller.reapplyIfChanged(0.6f));
    EXPECT_EQ(hardware.devices[7].mute[0].value, 0u);
    hardware.devices[7].volume[2].value = 0.1f;
    EXPECT_TRUE(controller.reapplyIfChanged(0.6f));
    EXPECT_FLOAT_EQ(hardware.devices[7].volume[2].value, 0.6f);

    // Where the volume follows the loudest stream, the alarm's own stream above the target is left alone.
    hardware.devices[7].volumeFollowsStreams = true;
    hardware.devices[7].volume[0].value = 1.0f;
    hardware.calls.clear();
    EXPECT_FALSE(controller.reapplyIfChanged(0.6f));
    EXPECT_TRUE(controller.begin(0.6f));
    EXPECT_EQ(hardware.writes(), (Strings{"writeMute 0=0", "writeMute 1=0", "writeMute 2=0"}));
    hardware.devices[7].volume[1].value = 0.05f;
    hardware.calls.clear();
    EXPECT_TRUE(controller.reapplyIfChanged(0.6f));
    EXPECT_EQ(hardware.writes(),
              (Strings{"writeMute 0=0", "writeMute 1=0", "writeMute 2=0", "writeVolume 1=0.6"}));
    controller.end();
    EXPECT_EQ(hardware.devices[7].volume[2].value, 0.4f);
}

TEST(VolumeNeedsForcingTest, ForcesAnyDifferenceUnlessTheVolumeFollowsStreams)
{
    struct Case
    {
        std::optional<float> current;
        float target;
        bool followsStreams;
        bool forced;
    };
    for (const auto& [current, target, followsStreams, forced] : std::vector<Case>{
             {0.5f, 0.5f, false, false},
             {0.5005f, 0.5f, false, false},
             {0.6f, 0.5f, false, true},
             {0.4f, 0.5f, false, true},
             {{}, 0.5f, false, true},
             {0.5f, 0.5f, true, false},
             {1.0f, 0.5f, true, false},
             {0.4f, 0.5f, true, true},
             {{}, 0.5f, true, true},
         }) {
        EXPECT_EQ(volumeNeedsForcing(current, target, followsStreams), forced)
            << current.value_or(-1.0f) << " to " << target << (followsStreams ? " following streams" : "");
    }
}

AudioOutputPort port(std::string name, AudioOutputPortKind kind, bool active = false,
                     std::uint32_t priority = 0, bool unavailable = false)
{
    return {std::move(name), kind, unavailable, priority, active};
}

constexpr auto speaker = AudioOutputPortKind::speaker;
constexpr auto headphones = AudioOutputPortKind::headphones;
constexpr auto lineOut = AudioOutputPortKind::lineOut;
constexpr auto other = AudioOutputPortKind::other;

TEST_F(SystemAudioOverrideControllerTest, MovesOffHeadphonesAndLineOutToTheBestSpeakerThenBack)
{
    struct Case
    {
        const char* label;
        std::vector<AudioOutputPort> ports;
        std::string during;
    };
    const std::vector<Case> cases{
        {"headphones", {port("spk", speaker), port("hp", headphones, true)}, "spk"},
        {"line out", {port("line", lineOut, true), port("spk", speaker)}, "spk"},
        {"speaker muted by the jack",
         {port("hp", headphones, true), port("spk", speaker, false, 1, true)},
         "spk"},
        {"available speaker first",
         {port("hp", headphones, true), port("a", speaker, false, 9, true), port("b", speaker, false, 1)},
         "b"},
        {"then the highest priority",
         {port("hp", headphones, true), port("a", speaker, false, 1), port("b", speaker, false, 5)},
         "b"},
        {"already on the speaker", {port("spk", speaker, true), port("hp", headphones)}, "spk"},
        {"no speaker", {port("hp", headphones, true), port("hdmi", other)}, "hp"},
        {"hdmi is left alone", {port("hdmi", other, true), port("spk", speaker)}, "hdmi"},
    };
    for (const auto& [label, ports, during] : cases) {
        hardware.devices[7].ports = ports;
        const auto before = hardware.activePort(7);
        const bool moves = during != before;
        hardware.calls.clear();
        ASSERT_TRUE(controller.begin(0.6f)) << label;
        EXPECT_EQ(hardware.activePort(7), during) << label;
        const auto writes = hardware.writes();
        EXPECT_EQ(writes.front(), moves ? "writePort " + during : "writeMute 0=0") << label;
        EXPECT_EQ(writes.size(), moves ? 7u : 6u) << label;
        EXPECT_FALSE(controller.reapplyIfChanged(0.6f)) << label;

        hardware.calls.clear();
        controller.end();
        EXPECT_EQ(hardware.activePort(7), before) << label;
        EXPECT_EQ(hardware.writes().front(), moves ? "writePort " + before : "writeMute 0=1") << label;
        EXPECT_EQ(hardware.devices[7].volume[0].value, 0.3f) << label;
    }
}

TEST_F(SystemAudioOverrideControllerTest, HeadphonesPluggedInDuringTheOverrideAreUndoneAndForcedAgain)
{
    hardware.devices[7].ports = {port("spk", speaker, true), port("hp", headphones)};
    controller.begin(0.6f);
    for (const auto& plugged : {"hp", "hp"}) {
        hardware.selectOutputPort(7, plugged);
        hardware.devices[7].volume[0].value = 0.1f;
        hardware.calls.clear();
        EXPECT_TRUE(controller.reapplyIfChanged(0.6f));
        EXPECT_EQ(hardware.activePort(7), "spk");
        EXPECT_EQ(hardware.writes().front(), "writePort spk");
        EXPECT_EQ(hardware.devices[7].volume[0].value, 0.6f);
        EXPECT_EQ(hardware.devices[7].mute[0].value, 0u);
    }
    controller.begin(0.6f);
    EXPECT_EQ(hardware.activePort(7), "spk");
    controller.end();
    EXPECT_EQ(hardware.activePort(7), "spk");
    EXPECT_EQ(hardware.devices[7].mute[0].value, 1u);
}

} // namespace
} // namespace hollerbox::testing
