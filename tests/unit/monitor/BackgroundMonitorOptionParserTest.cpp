#include "BackgroundMonitorOptionParser.h"

#include "audio/AlarmSoundSelectionCoding.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

namespace hollerbox {
namespace {

constexpr const char* kDefaultLog = "/default/background-monitor.log";

BackgroundMonitorOptions parse(std::vector<std::string> arguments)
{
    return BackgroundMonitorOptionParser::parse(arguments, [] { return std::string{kDefaultLog}; });
}

TEST(BackgroundMonitorOptionParserTest, ReadsAllSevenOptionsInTheApplicationsOrderAndDefaultsTheRest)
{
    const auto selection = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
    const struct
    {
        std::vector<std::string> arguments;
        BackgroundMonitorOptions expected;
    } rows[] = {
        {{}, {2.0, 0.05, 0.65F, 2.0, 250U, AlarmSoundSelection::defaultSelection(), kDefaultLog}},
        {{"--arm-delay", "5", "--threshold-g", "0.02", "--alarm-volume", "0.8", "--repeat-seconds", "3.5",
          "--poll-ms", "100", "--alarm-sound-base64", alarmSoundSelectionCommandLineValue(selection),
          "--log-file", "/tmp/x.log"},
         {5.0, 0.02, 0.8F, 3.5, 100U, selection, "/tmp/x.log"}},
    };
    for (const auto& [arguments, expected] : rows) {
        EXPECT_TRUE(parse(arguments) == expected) << arguments.size() << " arguments";
    }
}

TEST(BackgroundMonitorOptionParserTest, DefaultLogLocationIsOnlyAskedForWhenNoneIsGiven)
{
    int asked = 0;
    const auto defaultLog = [&asked] {
        ++asked;
        return std::string{kDefaultLog};
    };
    EXPECT_EQ(BackgroundMonitorOptionParser::parse({"--log-file", "/tmp/own.log"}, defaultLog).logFilePath,
              "/tmp/own.log");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(BackgroundMonitorOptionParser::parse({"--log-file"}, defaultLog).logFilePath, kDefaultLog);
    EXPECT_EQ(asked, 1);
}

TEST(BackgroundMonitorOptionParserTest, FloatingValuesMustBeWholeCLocaleNumbers)
{
    EXPECT_EQ(BackgroundMonitorOptionParser::parseDouble("1.5"), 1.5);
    EXPECT_EQ(BackgroundMonitorOptionParser::parseDouble("-3e-1"), -0.3);
    EXPECT_EQ(BackgroundMonitorOptionParser::parseDouble("0x10"), 16.0);
    EXPECT_EQ(BackgroundMonitorOptionParser::parseDouble("inf"), std::numeric_limits<double>::infinity());
    for (const char* rejected :
         {"", " 1", "\t1", "\n1", "\v1", "\f1", "\r1", "1 ", "1s", "1,5", "abc", "nan", "-nan"}) {
        EXPECT_FALSE(BackgroundMonitorOptionParser::parseDouble(rejected)) << '"' << rejected << '"';
        EXPECT_FALSE(BackgroundMonitorOptionParser::parseFloat(rejected)) << '"' << rejected << '"';
    }
    EXPECT_FALSE(BackgroundMonitorOptionParser::parseDouble(std::string_view{"1\0", 2}));

    // A decimal comma locale (built with the tests) must not change how the command line is read.
    ::setenv("LOCPATH", HOLLERBOX_TEST_LOCALES, 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    EXPECT_EQ(BackgroundMonitorOptionParser::parseDouble("1.5"), 1.5);
    EXPECT_FALSE(BackgroundMonitorOptionParser::parseDouble("1,5"));
    EXPECT_EQ(parse({"--alarm-volume", "0.5"}).alarmVolumeScalar, 0.5F);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
}

TEST(BackgroundMonitorOptionParserTest, VolumeIsClampedAndBadVolumesFallBack)
{
    EXPECT_EQ(parse({"--alarm-volume", "1.7"}).alarmVolumeScalar, 1.0F);
    EXPECT_EQ(parse({"--alarm-volume", "-3"}).alarmVolumeScalar, 0.0F);
    EXPECT_EQ(parse({"--alarm-volume", "0"}).alarmVolumeScalar, 0.0F);
    EXPECT_EQ(parse({"--alarm-volume", "loud"}).alarmVolumeScalar, 0.65F);
    EXPECT_EQ(parse({"--alarm-volume", "inf"}).alarmVolumeScalar, 1.0F);
    EXPECT_EQ(parse({"--alarm-volume", "nan"}).alarmVolumeScalar, 0.65F);
    EXPECT_EQ(parse({"--alarm-volume", "1e40"}).alarmVolumeScalar, 1.0F);
}

TEST(BackgroundMonitorOptionParserTest, PollIntervalIsAnUnsignedDecimal)
{
    EXPECT_EQ(parse({"--poll-ms", "+100"}).pollIntervalMilliseconds, 100U);
    EXPECT_EQ(parse({"--poll-ms", "0"}).pollIntervalMilliseconds, 0U);
    EXPECT_EQ(parse({"--poll-ms", "-0"}).pollIntervalMilliseconds, 0U);
    EXPECT_EQ(parse({"--poll-ms", "007"}).pollIntervalMilliseconds, 7U);
    EXPECT_EQ(parse({"--poll-ms", "18446744073709551615"}).pollIntervalMilliseconds, 18446744073709551615U);
    for (const char* rejected :
         {"100ms", "-5", "", "+", "-", " 100", "100 ", "1.5", "18446744073709551616", "0x10"}) {
        EXPECT_EQ(parse({"--poll-ms", rejected}).pollIntervalMilliseconds, 250U) << '"' << rejected << '"';
    }
}

TEST(BackgroundMonitorOptionParserTest, PositionRules)
{
    EXPECT_EQ(parse({"--arm-delay"}).armDelaySeconds, 2.0);
    EXPECT_EQ(parse({"--threshold-g", "0.1", "--threshold-g", "0.2"}).movementThresholdG, 0.1);
    // The argument after an option name is its value, even when it is another option's name.
    const auto options = parse({"--log-file", "--arm-delay", "7"});
    EXPECT_EQ(options.logFilePath, "--arm-delay");
    EXPECT_EQ(options.armDelaySeconds, 7.0);
    EXPECT_EQ(parse({"stray", "--repeat-seconds", "4", "extra"}).alarmRepeatSeconds, 4.0);
    EXPECT_EQ(parse({"--ARM-DELAY", "9"}).armDelaySeconds, 2.0);
    EXPECT_EQ(parse({"--arm-delay", "-1"}).armDelaySeconds, -1.0);
}

TEST(BackgroundMonitorOptionParserTest, UnusableSoundFallsBackToTheDefaultSilently)
{
    const auto police = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
    const auto encoded = alarmSoundSelectionCommandLineValue(police);
    EXPECT_EQ(parse({"--alarm-sound-base64", encoded}).alarmSoundSelection, police);
    for (const std::string& rejected :
         {std::string{}, std::string{"%%%"}, encoded + "\n", encoded.substr(0, 4) + "\n" + encoded.substr(4),
          std::string{"e30="}}) {
        EXPECT_EQ(parse({"--alarm-sound-base64", rejected}).alarmSoundSelection,
                  AlarmSoundSelection::defaultSelection())
            << rejected;
    }
}

} // namespace
} // namespace hollerbox
