#include "audio/AudioReadinessProbe.h"

#include "audio/FakeAudioHardware.h"

#include <cmath>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

constexpr auto kAdvice = " Run a test alarm before you trust the Mac with its big moment.";

class AudioReadinessProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        hardware.defaultDevice = 3;
        hardware.devices[3] = FakeAudioHardware::stereoDevice(0, 0.57f);
    }

    FakeAudioHardware::Device& device() { return hardware.devices[3]; }
    AudioReadinessSnapshot check() { return probe.currentReadiness(); }

    FakeAudioHardware hardware;
    AudioReadinessProbe probe{hardware, 0.15f};
};

TEST_F(AudioReadinessProbeTest, NoDeviceIsUnavailable)
{
    hardware.defaultDevice.reset();
    const auto snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::unavailable);
    EXPECT_EQ(snapshot.title, "Audio Output Unavailable");
    EXPECT_EQ(snapshot.detail,
              "No default output device was found, so your Mac may not have anything to yell through.");
    EXPECT_EQ(snapshot.outputDeviceID, std::nullopt);
    EXPECT_EQ(snapshot.isMuted, std::nullopt);
    EXPECT_EQ(snapshot.volumeScalar, std::nullopt);
    hardware.defaultDevice = 0;
    EXPECT_EQ(check().level, AudioReadinessLevel::unavailable);
}

TEST_F(AudioReadinessProbeTest, AudibleVolumeIsReadyWithThePercentage)
{
    const auto snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_TRUE(snapshot.isAudibleReady());
    EXPECT_EQ(snapshot.title, "Audio Ready");
    EXPECT_EQ(snapshot.detail, std::string{"Output volume is about 57%."} + kAdvice);
    EXPECT_EQ(snapshot.outputDeviceID, 3u);
    EXPECT_EQ(snapshot.isMuted, false);
    EXPECT_EQ(snapshot.volumeScalar, 0.57f);
}

TEST_F(AudioReadinessProbeTest, MutedIsAWarningThatStillCarriesTheVolume)
{
    device().mute[0].value = 1;
    device().volume[0].value = 0.9f;
    const auto snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::warning);
    EXPECT_EQ(snapshot.title, "System Audio Is Muted");
    EXPECT_EQ(
        snapshot.detail,
        "The alarm can still fire, but you may not hear the performance until system audio is unmuted.");
    EXPECT_EQ(snapshot.isMuted, true);
    EXPECT_EQ(snapshot.volumeScalar, 0.9f);

    device().volume = {};
    EXPECT_EQ(check().volumeScalar, std::nullopt);
    EXPECT_EQ(check().title, "System Audio Is Muted");
}

TEST_F(AudioReadinessProbeTest, TheMinimumItselfIsVeryLow)
{
    device().volume[0].value = 0.15f;
    auto snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::warning);
    EXPECT_EQ(snapshot.title, "System Volume Is Very Low");
    EXPECT_EQ(snapshot.detail, "Current output volume is about 15%. That might be a little too polite.");
    device().volume[0].value = 0.151f;
    snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_EQ(snapshot.detail, std::string{"Output volume is about 15%."} + kAdvice);
    device().volume[0].value = 0.0f;
    EXPECT_EQ(check().detail, "Current output volume is about 0%. That might be a little too polite.");
}

TEST_F(AudioReadinessProbeTest, PercentRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(volumePercent(0.57f), 57);
    EXPECT_EQ(volumePercent(0.125f), 13);
    EXPECT_EQ(volumePercent(0.375f), 38);
    EXPECT_EQ(volumePercent(1.0f), 100);
    EXPECT_EQ(volumePercent(0.004f), 0);
    EXPECT_EQ(volumePercent(-0.125f), -13);
}

TEST_F(AudioReadinessProbeTest, ChannelVolumesAreAveragedWhenElementZeroIsMissing)
{
    device().volume[0] = {};
    device().volume[1].value = 0.4f;
    device().volume[2].value = 0.6f;
    auto snapshot = check();
    EXPECT_FLOAT_EQ(*snapshot.volumeScalar, 0.5f);
    EXPECT_EQ(snapshot.detail, std::string{"Output volume is about 50%."} + kAdvice);

    device().volume[2].readable = false;
    EXPECT_FLOAT_EQ(*check().volumeScalar, 0.4f);
    device().volume[0] = {true, false, true, 0.9f};
    EXPECT_FLOAT_EQ(*check().volumeScalar, 0.4f);
}

TEST_F(AudioReadinessProbeTest, UnreadableDetailsStillReady)
{
    device() = {};
    auto snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_EQ(snapshot.title, "Audio Ready");
    EXPECT_EQ(snapshot.detail,
              "An output device is available. Mute and volume details could not be read on this device.");
    EXPECT_EQ(snapshot.isMuted, std::nullopt);
    EXPECT_EQ(snapshot.outputDeviceID, 3u);

    device().mute[1] = {true, true, true, 0};
    snapshot = check();
    EXPECT_EQ(snapshot.level, AudioReadinessLevel::ready);
    EXPECT_EQ(snapshot.detail,
              std::string{"An output device is available and does not appear to be muted."} + kAdvice);
    EXPECT_EQ(snapshot.isMuted, false);
}

TEST_F(AudioReadinessProbeTest, MuteIsDecidedByTheFirstReadableElement)
{
    device().mute[0] = {};
    device().mute[1] = {true, false, true, 0};
    device().mute[2] = {true, true, true, 1};
    EXPECT_EQ(check().title, "System Audio Is Muted");
    device().mute[1].readable = true;
    EXPECT_EQ(check().title, "Audio Ready");
}

TEST_F(AudioReadinessProbeTest, UnknownMuteIsJudgedByVolumeAlone)
{
    device().mute = {};
    device().volume[0].value = 0.05f;
    auto snapshot = check();
    EXPECT_EQ(snapshot.title, "System Volume Is Very Low");
    EXPECT_EQ(snapshot.isMuted, std::nullopt);
}

TEST_F(AudioReadinessProbeTest, AVolumeThatIsNotANumberCountsAsUnreadable)
{
    device().volume[0].value = std::nanf("");
    device().volume[1].value = 0.3f;
    device().volume[2].value = std::numeric_limits<float>::infinity();
    auto snapshot = check();
    EXPECT_FLOAT_EQ(*snapshot.volumeScalar, 0.3f);
    device().volume[1].value = -std::numeric_limits<float>::infinity();
    snapshot = check();
    EXPECT_EQ(snapshot.volumeScalar, std::nullopt);
    EXPECT_EQ(snapshot.title, "Audio Ready");
    EXPECT_EQ(snapshot.detail,
              std::string{"An output device is available and does not appear to be muted."} + kAdvice);
}

TEST_F(AudioReadinessProbeTest, NeverWrites)
{
    device().mute[0].value = 1;
    check();
    EXPECT_TRUE(hardware.writes().empty());
}

} // namespace
} // namespace hollerbox::testing
