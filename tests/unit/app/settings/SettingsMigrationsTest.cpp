#include "model/settings/SettingsMigrations.h"

#include "SettingsTestFile.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

using testing::SettingsTestFile;

/// The INI text of the given settings lines.
QByteArray ini(const char* lines)
{
    return QByteArray{"[General]\n"} + lines;
}

TEST(SettingsMigrations, MovementThresholdConvertsOldSensitivityOnceAndAlwaysSetsTheFlag)
{
    struct Case
    {
        const char* stored;
        std::optional<double> expected;
    };
    for (const auto& [stored, expected] :
         {Case{"HollerboxApp.movementThreshold=2.0\n", 0.06},
          Case{"HollerboxApp.movementThreshold=1.0\n", 0.03},
          Case{"HollerboxApp.movementThreshold=5.0\n", 0.15},
          Case{"HollerboxApp.movementThreshold=0.5\n", 0.5},
          Case{"HollerboxApp.movementThreshold=5.5\n", 5.5},
          Case{"HollerboxApp.movementThreshold=2.0\nHollerboxApp.didMigrateMovementThresholdToG=false\n",
               0.06},
          Case{"HollerboxApp.movementThreshold=2.0\nHollerboxApp.didMigrateMovementThresholdToG=maybe\n",
               0.06},
          Case{"HollerboxApp.movementThreshold=2.0\nHollerboxApp.didMigrateMovementThresholdToG=true\n", 2.0},
          Case{"HollerboxApp.movementThreshold=abc\n", std::nullopt}, Case{"", std::nullopt}}) {
        SCOPED_TRACE(stored);
        SettingsTestFile file;
        file.writeIni(ini(stored));
        {
            SettingsStore store{file.path()};
            const auto threshold = SettingsMigrations::migrateMovementThreshold(store);
            ASSERT_EQ(threshold.has_value(), expected.has_value());
            if (threshold) {
                EXPECT_DOUBLE_EQ(*threshold, *expected);
            }
            store.sync();
        }

        const auto reread = file.reopened();
        EXPECT_EQ(reread->readBool(SettingsKeys::didMigrateMovementThresholdToG), true);
        const auto written = reread->readDouble(SettingsKeys::movementThreshold);
        ASSERT_EQ(written.has_value(), expected.has_value());
        if (written) {
            EXPECT_DOUBLE_EQ(*written, *expected);
        }
    }
}

TEST(SettingsMigrations, TriggerDelayReplacesTheOldDefaultOnce)
{
    struct Case
    {
        const char* stored;
        double expected;
        std::optional<double> writtenAfterwards;
    };
    for (const auto& [stored, expected, writtenAfterwards] :
         {Case{"HollerboxApp.triggerDelaySeconds=4.0\n", 0.0, 0.0}, Case{"", 0.0, 0.0},
          Case{"HollerboxApp.triggerDelaySeconds=x\n", 0.0, 0.0},
          Case{"HollerboxApp.triggerDelaySeconds=6.0\n", 6.0, 6.0},
          Case{"HollerboxApp.triggerDelaySeconds=0.5\n", 0.5, 0.5},
          Case{"HollerboxApp.triggerDelaySeconds=4.0\nHollerboxApp.didMigrateFallbackDelayDefault=true\n",
               4.0, 4.0},
          Case{"HollerboxApp.didMigrateFallbackDelayDefault=true\n", 0.0, std::nullopt}}) {
        SCOPED_TRACE(stored);
        SettingsTestFile file;
        file.writeIni(ini(stored));
        {
            SettingsStore store{file.path()};
            const auto raw = store.readDouble(SettingsKeys::triggerDelaySeconds);
            EXPECT_EQ(SettingsMigrations::migrateTriggerDelay(store, raw), expected);
            store.sync();
        }

        const auto reread = file.reopened();
        EXPECT_EQ(reread->readBool(SettingsKeys::didMigrateFallbackDelayDefault), true);
        EXPECT_EQ(reread->readDouble(SettingsKeys::triggerDelaySeconds), writtenAfterwards);
    }
}

} // namespace
} // namespace hollerbox
