#pragma once

#include <optional>

namespace hollerbox {

class SettingsStore;

/// The one-time conversions of stored settings, run at every start. Each sets its flag in the store.
namespace SettingsMigrations {

/// The stored movement threshold in g: without the migration flag, an old unitless value from 1.0 to 5.0 is
/// multiplied by 0.03 and written back. Absent when none is stored.
std::optional<double> migrateMovementThreshold(SettingsStore& store);

/// The trigger delay to use, given the raw stored value: without the migration flag, an absent value or the
/// old default 4.0 becomes 0 and is written back. With the flag, the stored value, else 0.
double migrateTriggerDelay(SettingsStore& store, std::optional<double> rawStoredValue);

} // namespace SettingsMigrations
} // namespace hollerbox
