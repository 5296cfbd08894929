#include "audio/AlarmSoundSelection.h"
#include "engine/AudioReadinessSnapshot.h"
#include "engine/HollerboxDiagnostics.h"
#include "engine/MovementMonitorLiveValue.h"
#include "engine/OpenLidAlarmSnapshot.h"
#include "engine/OpenLidAlarmState.h"
#include "ports/SystemLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace hollerbox {
namespace {

using ::testing::ElementsAre;

TEST(OpenLidAlarmStateTest, BuildsOnlyFromExactRawValues)
{
    for (auto state : {OpenLidAlarmState::idle, OpenLidAlarmState::pendingArm, OpenLidAlarmState::armed,
                       OpenLidAlarmState::triggered}) {
        EXPECT_EQ(openLidAlarmStateFromRawValue(rawValue(state)), state);
    }
    EXPECT_EQ(rawValue(OpenLidAlarmState::pendingArm), "pendingArm");
    EXPECT_FALSE(openLidAlarmStateFromRawValue("PendingArm"));
    EXPECT_FALSE(openLidAlarmStateFromRawValue("pendingarm"));
    EXPECT_FALSE(openLidAlarmStateFromRawValue(""));
    EXPECT_FALSE(openLidAlarmStateFromRawValue("idle "));
}

TEST(EngineRecordsTest, DerivedValues)
{
    MovementMonitorLiveValue value{1, 0xFF00, 3, 120, 100, std::nullopt};
    EXPECT_EQ(value.deltaFromBaseline(), 20);
    value.baselineValue.reset();
    EXPECT_FALSE(value.deltaFromBaseline().has_value());

    AudioReadinessSnapshot readiness;
    for (auto [level, audible] : {std::pair{AudioReadinessLevel::ready, true},
                                  {AudioReadinessLevel::warning, false},
                                  {AudioReadinessLevel::unavailable, false}}) {
        readiness.level = level;
        EXPECT_EQ(readiness.isAudibleReady(), audible);
    }
    EXPECT_EQ(rawValue(AudioReadinessLevel::unavailable), "unavailable");
}

TEST(EngineRecordsTest, SnapshotsDifferingOnlyInTimeAreNotEqual)
{
    OpenLidAlarmSnapshot first;
    first.statusText = "Armed";
    first.diagnosticLines = {"a"};
    auto second = first;
    EXPECT_EQ(first, second);
    second.lastUpdatedAt += std::chrono::microseconds{1};
    EXPECT_NE(first, second);
    second = first;
    second.liveMovementValues.push_back({});
    EXPECT_NE(first, second);
}

TEST(BuiltInAlarmSoundTest, CatalogOrderAndTexts)
{
    const auto all = BuiltInAlarmSound::allCases();
    ASSERT_EQ(all.size(), 3U);
    EXPECT_EQ(all[0].id(), "handsOff");
    EXPECT_EQ(all[1].id(), "whatAreYouDoing");
    EXPECT_EQ(all[2].id(), "policeAlarm");
    EXPECT_EQ(all[0].description(), "Your Mac will shout, \"Hands off!\"");
    EXPECT_EQ(all[1].title(), "What Are You Doing?");
    EXPECT_EQ(all[2].bundledFileName(), "police-alarm");
    EXPECT_EQ(all[2].bundledFileExtension(), "mp3");
    EXPECT_EQ(BuiltInAlarmSound::fromId("policeAlarm"), BuiltInAlarmSound{BuiltInAlarmSound::policeAlarm});
    EXPECT_FALSE(BuiltInAlarmSound::fromId("PoliceAlarm"));
    const std::unordered_set<BuiltInAlarmSound> unique{all.begin(), all.end()};
    EXPECT_EQ(unique.size(), 3U);
}

TEST(AlarmSoundSelectionTest, DerivedPropertiesOfBothCases)
{
    const auto builtIn = AlarmSoundSelection::defaultSelection();
    EXPECT_EQ(builtIn, AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff));
    EXPECT_EQ(builtIn.builtInSound(), BuiltInAlarmSound{BuiltInAlarmSound::handsOff});
    EXPECT_FALSE(builtIn.customFilePath());
    EXPECT_FALSE(builtIn.customDisplayName());
    EXPECT_EQ(builtIn.title(), "Hands Off!");
    EXPECT_EQ(builtIn.subtitle(), "Your Mac will shout, \"Hands off!\"");

    const auto custom = AlarmSoundSelection::customFile("/home/ann/Music/Air Horn.m4a", "Horn");
    EXPECT_FALSE(custom.builtInSound());
    EXPECT_EQ(custom.customFilePath(), "/home/ann/Music/Air Horn.m4a");
    EXPECT_EQ(custom.customDisplayName(), "Horn");
    EXPECT_EQ(custom.title(), "Horn");
    EXPECT_EQ(custom.subtitle(), "Air Horn.m4a");
    EXPECT_EQ(AlarmSoundSelection::customFile("/tmp/dir/", "x").subtitle(), "dir");
    EXPECT_EQ(AlarmSoundSelection::customFile("alarm.wav", "x").subtitle(), "alarm.wav");

    EXPECT_NE(custom, AlarmSoundSelection::customFile("/home/ann/Music/Air Horn.m4a", "Other"));
    EXPECT_NE(builtIn, AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm));
}

class CollectingLog final : public SystemLog
{
public:
    void info(std::string_view category, std::string_view message) override
    {
        const std::lock_guard lock{mutex};
        entries.emplace_back(std::string{category} + "|" + std::string{message});
    }
    std::mutex mutex;
    std::vector<std::string> entries;
};

TEST(HollerboxDiagnosticsTest, EntryDropsFractionsAndWritesToTheSystemLogFromAnyThread)
{
    using namespace std::chrono;
    const WallTime at = sys_days{2026y / March / 14} + 9h + 15min + 2s + 700ms;
    EXPECT_EQ(HollerboxDiagnostics::formattedEntry("Armed  now", at), "2026-03-14T09:15:02Z  Armed  now");
    EXPECT_EQ(HollerboxDiagnostics::formatTimestamp(WallTime{}), "1970-01-01T00:00:00Z");

    auto log = std::make_shared<CollectingLog>();
    HollerboxDiagnostics::setSystemLog(log);
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([at] {
            for (int j = 0; j < 50; ++j) {
                HollerboxDiagnostics::log("x", at);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(HollerboxDiagnostics::log("Done.", at), "2026-03-14T09:15:02Z  Done.");
    HollerboxDiagnostics::setSystemLog(nullptr);
    HollerboxDiagnostics::log("not logged", at);
    ASSERT_EQ(log->entries.size(), 201U);
    EXPECT_EQ(log->entries.back(), "app|2026-03-14T09:15:02Z  Done.");
}

} // namespace
} // namespace hollerbox
