#include "PlaybackFixture.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace hollerbox::testing {
namespace {

std::uint32_t readU32(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t readU16(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

class AlarmPlaybackProbeTest : public PlaybackFixture
{
protected:
    AlarmPlaybackProbe probe{players, sounds, clock, sleeper};
};

TEST_F(AlarmPlaybackProbeTest, ToneWavHasTheCanonicalHeaderAndLength)
{
    const auto samples = AlarmPlaybackProbe::toneSamples(880, 0.16);
    EXPECT_EQ(samples.size(), 7056u);
    const auto wav = AlarmPlaybackProbe::wavData(samples, 44100);
    ASSERT_EQ(wav.size(), 14156u);
    EXPECT_EQ(readU32(wav, 4), 36u + 14112u);
    EXPECT_EQ(readU32(wav, 40), 14112u);
    for (std::size_t i = 0; i < samples.size(); i += 997) {
        EXPECT_EQ(static_cast<std::int16_t>(readU16(wav, 44 + 2 * i)), samples[i]);
    }
    EXPECT_EQ(AlarmPlaybackProbe::wavData({-2, 0x1234}, 8000),
              (std::vector<std::uint8_t>{'R',  'I',  'F', 'F', 40,   0,    0, 0, 'W',  'A',  'V',  'E',
                                         'f',  'm',  't', ' ', 16,   0,    0, 0, 1,    0,    1,    0,
                                         0x40, 0x1f, 0,   0,   0x80, 0x3e, 0, 0, 2,    0,    16,   0,
                                         'd',  'a',  't', 'a', 4,    0,    0, 0, 0xfe, 0xff, 0x34, 0x12}));
}

TEST_F(AlarmPlaybackProbeTest, ToneFadesInAndOutAndStaysWithinSeventyPercent)
{
    const auto samples = AlarmPlaybackProbe::toneSamples(1320, 0.18);
    ASSERT_EQ(samples.size(), 7938u);
    const int ceiling = 22937; // 0.7 of full scale
    EXPECT_EQ(samples.front(), 0);
    int largest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int value = std::abs(static_cast<int>(samples[i]));
        largest = std::max(largest, value);
        const auto remaining = samples.size() - i;
        const double envelope = i < 441 ? i / 441.0 : (remaining <= 441 ? remaining / 441.0 : 1.0);
        EXPECT_LE(value, static_cast<int>(envelope * ceiling) + 1) << i;
    }
    EXPECT_GE(largest, ceiling - 40);
    EXPECT_LE(largest, ceiling);
    const double t = 1000 / 44100.0;
    EXPECT_EQ(samples[1000],
              static_cast<std::int16_t>(std::round(std::sin(2 * std::numbers::pi * 1320 * t) * 0.7 * 32767)));
    EXPECT_TRUE(AlarmPlaybackProbe::toneSamples(1320, -1).empty());
    EXPECT_TRUE(AlarmPlaybackProbe::toneSamples(1320, std::nan("")).empty());
}

TEST_F(AlarmPlaybackProbeTest, PlaysEachPatternWithItsPausesAndTheInterval)
{
    directories.files.clear();
    probe.playAlarm(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 2, 180);
    ASSERT_EQ(players.wavBuffers.size(), 4u);
    EXPECT_EQ(players.wavBuffers[0].size(), 44u + 2 * 7056u);
    EXPECT_EQ(players.wavBuffers[1].size(), 44u + 2 * 7938u);
    const std::vector<double> expected{0.21, 0.08, 0.23, 0.18, 0.21, 0.08, 0.23};
    ASSERT_EQ(sleeps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(sleeps[i], expected[i], 1e-9) << i;
    }

    sleeps.clear();
    players.wavBuffers.clear();
    probe.playAlarm(AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff), 2, 1000);
    ASSERT_EQ(players.wavBuffers.size(), 2u);
    EXPECT_EQ(players.wavBuffers[0].size(), 44u + 2 * 15434u); // 0.35 s x 44100 truncates to 15434
    EXPECT_EQ(sleeps, (std::vector<double>{0.35 + 0.05, 1.0, 0.35 + 0.05}));
}

TEST_F(AlarmPlaybackProbeTest, FilesPlayToTheirEndCappedForCustomFiles)
{
    players.files["/clips/long.wav"] = {7.0, {}, 0};
    const auto result = probe.playAlarm(AlarmSoundSelection::customFile("/clips/long.wav", "Long"), 2, 300);
    EXPECT_EQ(result, (AlarmPlaybackResult{clock.now(), 2, 300}));
    EXPECT_EQ(sleeps, (std::vector<double>{5.05, 0.3, 5.05}));
    EXPECT_EQ(players.log(), (std::vector<std::string>{"open /clips/long.wav", "volume /clips/long.wav 1",
                                                       "play /clips/long.wav", "stop /clips/long.wav",
                                                       "open /clips/long.wav", "volume /clips/long.wav 1",
                                                       "play /clips/long.wav", "stop /clips/long.wav"}));
    sleeps.clear();
    players.files["/clips/tiny.wav"] = {0.01, {}, 0};
    probe.playAlarm(AlarmSoundSelection::customFile("/clips/tiny.wav", "Tiny"), 1, 180);
    EXPECT_EQ(sleeps, (std::vector<double>{0.3}));
}

TEST_F(AlarmPlaybackProbeTest, ABrokenCustomFileFallsBackToTheDefaultFileThenTheTone)
{
    ::testing::internal::CaptureStderr();
    probe.playAlarm(AlarmSoundSelection::customFile("/gone.wav", "Gone"), 1, 180);
    EXPECT_EQ(players.log()[1], "open " + builtInPath("hands-off"));
    directories.files.clear();
    probe.playAlarm(AlarmSoundSelection::customFile("/gone.wav", "Gone"), 1, 180);
    const auto errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(players.wavBuffers.size(), 1u);
    EXPECT_EQ(players.wavBuffers[0].size(), 44u + 2 * 7938u);
    EXPECT_EQ(errors,
              "AlarmPlaybackProbe custom file error: The file \"/gone.wav\" couldn't be opened because "
              "there is no such file.\nAlarmPlaybackProbe custom file error: The file \"/gone.wav\" "
              "couldn't be opened because there is no such file.\n");
}

TEST_F(AlarmPlaybackProbeTest, AToneThatCannotPlayIsReportedAndSkipped)
{
    players.wavError = "No sound server.";
    ::testing::internal::CaptureStderr();
    probe.playTone(880, 0.1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "AlarmPlaybackProbe error: No sound server.\n");
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(AlarmPlaybackProbeTest, NoRepetitionsForANonPositiveCount)
{
    const auto result = probe.playSystemBeep(-2, 180);
    EXPECT_EQ(result.beepCount, -2);
    EXPECT_TRUE(players.log().empty());
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(AlarmPlaybackProbeTest, FormattedTextHasSixLines)
{
    const AlarmPlaybackResult result{
        WallTime{std::chrono::seconds{1714564800}} + std::chrono::milliseconds{700}, 3, 180};
    EXPECT_EQ(result.formattedText(), "Alarm playback probe\n"
                                      "Started at: 2024-05-01T12:00:00Z\n"
                                      "Beeps played: 3\n"
                                      "Interval: 180ms\n"
                                      "\n"
                                      "Expectation: you should have heard 3 system beeps.");
}

} // namespace
} // namespace hollerbox::testing
