#include "audio/AlarmSoundSelectionCoding.h"

#include "audio/Base64.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

AlarmSoundSelection decoded(std::string_view json)
{
    auto result = decodeAlarmSoundSelection(json);
    EXPECT_TRUE(result.selection.has_value()) << json << ": " << result.failure;
    return result.selection.value_or(AlarmSoundSelection::customFile("<failed>", "<failed>"));
}

std::string failureOf(std::string_view json)
{
    const auto result = decodeAlarmSoundSelection(json);
    EXPECT_FALSE(result.selection.has_value()) << json;
    return result.failure;
}

TEST(AlarmSoundSelectionCodingTest, WritesCompactJsonWithExactlyTheKeysOfTheKind)
{
    EXPECT_EQ(encodeAlarmSoundSelection(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm)),
              R"({"kind":"builtIn","builtIn":"policeAlarm"})");
    EXPECT_EQ(encodeAlarmSoundSelection(AlarmSoundSelection::customFile("/home/a/\"Boom\" 1.m4a", "Boom é")),
              R"({"kind":"customFile","path":"/home/a/\"Boom\" 1.m4a","displayName":"Boom é"})");
}

TEST(AlarmSoundSelectionCodingTest, EverySelectionSurvivesARoundTrip)
{
    std::vector<AlarmSoundSelection> selections;
    for (auto sound : BuiltInAlarmSound::allCases()) {
        selections.push_back(AlarmSoundSelection::builtIn(sound));
    }
    selections.push_back(AlarmSoundSelection::customFile("/tmp/x/Alarm Clip.wav", "Alarm Clip"));
    selections.push_back(AlarmSoundSelection::customFile("/tmp/\\back\\/slash\n\t\x01"
                                                         ".caf",
                                                         ""));
    for (const auto& selection : selections) {
        const auto json = encodeAlarmSoundSelection(selection);
        ASSERT_TRUE(json.has_value());
        EXPECT_EQ(decoded(*json), selection) << *json;
        EXPECT_EQ(alarmSoundSelectionFromCommandLineValue(alarmSoundSelectionCommandLineValue(selection)),
                  selection);
    }
}

TEST(AlarmSoundSelectionCodingTest, ReadsAnyKeyOrderEscapingAndIgnoresUnusedKeys)
{
    EXPECT_EQ(decoded(R"({"builtIn":"policeAlarm","kind":"builtIn"})"),
              AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm));
    EXPECT_EQ(
        decoded(R"({"kind":"builtIn","builtIn":"handsOff","path":"/x.wav","displayName":"X","extra":[1]})"),
        AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff));
    EXPECT_EQ(decoded(R"( { "displayName" : "Bo\u006fm", "path" : "\/a\/b\/c.m4a", "kind" : "customFile",
                          "builtIn" : 42 } )"),
              AlarmSoundSelection::customFile("/a/b/c.m4a", "Boom"));
    EXPECT_EQ(decoded(R"({"kind":"custom\u0046ile","path":"\ud83d\udd14.mp3","displayName":null})"),
              AlarmSoundSelection::customFile("\xf0\x9f\x94\x94.mp3", "\xf0\x9f\x94\x94"));
}

TEST(AlarmSoundSelectionCodingTest, DerivesTheDisplayNameFromThePathWhenAbsent)
{
    const auto selection = decoded(R"({"kind":"customFile","path":"/Users/me/Alarm Clip.wav"})");
    EXPECT_EQ(selection.customDisplayName(), "Alarm Clip");
    EXPECT_EQ(selection.title(), "Alarm Clip");
    EXPECT_EQ(selection.subtitle(), "Alarm Clip.wav");
    EXPECT_EQ(displayNameForPath("/a/Boom.m4a"), "Boom");
    EXPECT_EQ(displayNameForPath("/a/archive.tar.gz"), "archive.tar");
    EXPECT_EQ(displayNameForPath("/a/.hidden"), ".hidden");
    EXPECT_EQ(displayNameForPath("/a/no-extension"), "no-extension");
    EXPECT_EQ(displayNameForPath("relative/dir/Clip.caf/"), "Clip");
}

TEST(AlarmSoundSelectionCodingTest, RejectsMissingWrongOrUnknownValues)
{
    EXPECT_EQ(failureOf(R"({"kind":"builtIn","builtIn":"PoliceAlarm"})"),
              "Unknown built-in alarm sound: PoliceAlarm");
    EXPECT_EQ(failureOf(R"({"kind":"builtIn","builtIn":""})"), "Unknown built-in alarm sound: ");
    for (const auto* json :
         {R"({})", R"({"kind":"BuiltIn","builtIn":"handsOff"})", R"({"kind":"other"})",
          R"({"kind":1,"builtIn":"handsOff"})", R"({"kind":"builtIn"})", R"({"kind":"builtIn","builtIn":0})",
          R"({"kind":"customFile"})", R"({"kind":"customFile","path":7})",
          R"({"kind":"customFile","path":"/a.wav","displayName":3})", R"([])", R"("builtIn")",
          R"({"kind":"builtIn","builtIn":"handsOff"} trailing)", "", "\xff"}) {
        EXPECT_FALSE(failureOf(json).empty()) << json;
    }
}

TEST(AlarmSoundSelectionCodingTest, AUnwritablePathGivesAnEmptyCommandLineValue)
{
    const auto selection = AlarmSoundSelection::customFile("/tmp/\xff\xfe.wav", "bad");
    EXPECT_FALSE(encodeAlarmSoundSelection(selection).has_value());
    EXPECT_EQ(alarmSoundSelectionCommandLineValue(selection), "");
}

TEST(AlarmSoundSelectionCodingTest, CommandLineFallsBackToTheDefaultSilently)
{
    for (const auto& value :
         {std::optional<std::string>{}, std::optional{base64Encode(R"({"kind":"nothing"})")}}) {
        EXPECT_EQ(alarmSoundSelectionFromCommandLineValue(value), AlarmSoundSelection::defaultSelection());
    }
}

} // namespace
} // namespace hollerbox
