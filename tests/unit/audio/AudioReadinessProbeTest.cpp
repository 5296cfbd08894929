#include "audio/AudioReadinessProbe.h"

#include "audio/FakeAudioHardware.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using Device = FakeAudioHardware::Device;

const std::string advice = " Run a test alarm before you trust the Mac with its big moment.";
const std::string ready = "Audio Ready";
const std::string muted = "System Audio Is Muted";
const std::string low = "System Volume Is Very Low";
const std::string mutedDetail =
    "The alarm can still fire, but you may not hear the performance until system audio is unmuted.";
const std::string notMuted = "An output device is available and does not appear to be muted." + advice;

TEST(AudioReadinessProbeTest, JudgesMuteAndVolumeOfTheDefaultDeviceWithoutWriting)
{
    constexpr auto inf = std::numeric_limits<float>::infinity();
    struct Case
    {
        const char* label;
        std::function<void(Device&)> setUp;
        std::string title;
        std::string detail;
        std::optional<bool> isMuted;
        std::optional<float> volume;
    };
    const Case cases[] = {
        {"audible", [](Device&) {}, ready, "Output volume is about 57%." + advice, false, 0.57f},
        {"muted", [](Device& d) { d.mute[0].value = 1; }, muted, mutedDetail, true, 0.57f},
        {"muted, volume unreadable",
         [](Device& d) {
             d.mute[0].value = 1;
             d.volume = {};
         },
         muted, mutedDetail, true, std::nullopt},
        {"at the minimum", [](Device& d) { d.volume[0].value = 0.15f; }, low,
         "Current output volume is about 15%. That might be a little too polite.", false, 0.15f},
        {"just above the minimum", [](Device& d) { d.volume[0].value = 0.151f; }, ready,
         "Output volume is about 15%." + advice, false, 0.151f},
        {"silent", [](Device& d) { d.volume[0].value = 0.0f; }, low,
         "Current output volume is about 0%. That might be a little too polite.", false, 0.0f},
        {"channels averaged",
         [](Device& d) {
             d.volume[0] = {};
             d.volume[1].value = 0.4f;
             d.volume[2].value = 0.6f;
         },
         ready, "Output volume is about 50%." + advice, false, 0.5f},
        {"one channel unreadable, element 0 unreadable",
         [](Device& d) {
             d.volume[0] = {true, false, true, 0.9f};
             d.volume[1].value = 0.4f;
             d.volume[2].readable = false;
         },
         ready, "Output volume is about 40%." + advice, false, 0.4f},
        {"nothing readable", [](Device& d) { d = {}; }, ready,
         "An output device is available. Mute and volume details could not be read on this device.",
         std::nullopt, std::nullopt},
        {"only a channel mute",
         [](Device& d) {
             d = {};
             d.mute[1] = {true, true, true, 0};
         },
         ready, notMuted, false, std::nullopt},
        {"first readable mute decides",
         [](Device& d) {
             d.mute[0] = {};
             d.mute[1] = {true, false, true, 0};
             d.mute[2] = {true, true, true, 1};
         },
         muted, mutedDetail, true, 0.57f},
        {"unknown mute judged by volume",
         [](Device& d) {
             d.mute = {};
             d.volume[0].value = 0.05f;
         },
         low, "Current output volume is about 5%. That might be a little too polite.", std::nullopt, 0.05f},
        {"non-finite volumes skipped",
         [](Device& d) {
             d.volume[0].value = std::nanf("");
             d.volume[1].value = 0.3f;
             d.volume[2].value = inf;
         },
         ready, "Output volume is about 30%." + advice, false, 0.3f},
        {"no finite volume",
         [](Device& d) {
             d.volume[0].value = std::nanf("");
             d.volume[1].value = -inf;
             d.volume[2].value = inf;
         },
         ready, notMuted, false, std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        FakeAudioHardware hardware;
        hardware.defaultDevice = 3;
        hardware.devices[3] = FakeAudioHardware::stereoDevice(0, 0.57f);
        row.setUp(hardware.devices[3]);
        const auto snapshot = AudioReadinessProbe{hardware, 0.15f}.currentReadiness();
        EXPECT_EQ(snapshot.level,
                  row.title == ready ? AudioReadinessLevel::ready : AudioReadinessLevel::warning);
        EXPECT_EQ(snapshot.title, row.title);
        EXPECT_EQ(snapshot.detail, row.detail);
        EXPECT_EQ(snapshot.outputDeviceID, 3u);
        EXPECT_EQ(snapshot.isMuted, row.isMuted);
        ASSERT_EQ(snapshot.volumeScalar.has_value(), row.volume.has_value());
        if (row.volume) {
            EXPECT_FLOAT_EQ(*snapshot.volumeScalar, *row.volume);
        }
        EXPECT_TRUE(hardware.writes().empty());
    }
}

TEST(AudioReadinessProbeTest, NoDeviceIsUnavailable)
{
    FakeAudioHardware hardware;
    for (const auto device : {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{0}}) {
        hardware.defaultDevice = device;
        const auto snapshot = AudioReadinessProbe{hardware, 0.15f}.currentReadiness();
        EXPECT_EQ(snapshot.level, AudioReadinessLevel::unavailable);
        EXPECT_FALSE(snapshot.isAudibleReady());
        EXPECT_EQ(snapshot.title, "Audio Output Unavailable");
        EXPECT_EQ(snapshot.detail,
                  "No default output device was found, so your Mac may not have anything to yell through.");
        EXPECT_EQ(snapshot.outputDeviceID, std::nullopt);
        EXPECT_EQ(snapshot.volumeScalar, std::nullopt);
    }
}

TEST(AudioReadinessProbeTest, PercentRoundsHalvesAwayFromZero)
{
    for (const auto& [volume, percent] : std::initializer_list<std::pair<float, long long>>{
             {0.57f, 57}, {0.125f, 13}, {0.375f, 38}, {1.0f, 100}, {0.004f, 0}, {-0.125f, -13}}) {
        EXPECT_EQ(volumePercent(volume), percent) << volume;
    }
}

} // namespace
} // namespace hollerbox::testing
