#include "SettingsMigrations.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "engine/ProtectionConfiguration.h"

namespace hollerbox::SettingsMigrations {

std::optional<double> migrateMovementThreshold(SettingsStore& store)
{
    auto threshold = store.readDouble(SettingsKeys::movementThreshold);
    if (store.readBool(SettingsKeys::didMigrateMovementThresholdToG).value_or(false)) {
        return threshold;
    }
    if (threshold && *threshold >= 1.0 && *threshold <= 5.0) {
        *threshold *= 0.03;
        store.writeDouble(SettingsKeys::movementThreshold, *threshold);
    }
    store.writeBool(SettingsKeys::didMigrateMovementThresholdToG, true);
    return threshold;
}

double migrateTriggerDelay(SettingsStore& store, std::optional<double> rawStoredValue)
{
    if (store.readBool(SettingsKeys::didMigrateFallbackDelayDefault).value_or(false)) {
        return rawStoredValue.value_or(0.0);
    }
    double delay = ProtectionConfiguration{}.simulatedTriggerDelaySeconds;
    if (rawStoredValue && *rawStoredValue != 4.0) {
        delay = *rawStoredValue;
    } else {
        store.writeDouble(SettingsKeys::triggerDelaySeconds, delay);
    }
    store.writeBool(SettingsKeys::didMigrateFallbackDelayDefault, true);
    return delay;
}

} // namespace hollerbox::SettingsMigrations
