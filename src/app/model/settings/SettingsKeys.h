#pragma once

#include <QLatin1StringView>

namespace hollerbox {

/// The names under which the application keeps its settings.
namespace SettingsKeys {

inline constexpr QLatin1StringView protectionEnabled{"HollerboxApp.protectionEnabled"};
inline constexpr QLatin1StringView armDelaySeconds{"HollerboxApp.armDelaySeconds"};
inline constexpr QLatin1StringView movementThreshold{"HollerboxApp.movementThreshold"};
inline constexpr QLatin1StringView alarmVolumeScalar{"HollerboxApp.alarmVolumeScalar"};
inline constexpr QLatin1StringView triggerDelaySeconds{"HollerboxApp.triggerDelaySeconds"};
inline constexpr QLatin1StringView alarmRepeatIntervalSeconds{"HollerboxApp.alarmRepeatIntervalSeconds"};
inline constexpr QLatin1StringView alarmSoundSelection{"HollerboxApp.alarmSoundSelection"};
inline constexpr QLatin1StringView importedAlarmSounds{"HollerboxApp.importedAlarmSounds"};
inline constexpr QLatin1StringView hasDismissedOnboarding{"HollerboxApp.hasDismissedOnboarding"};
inline constexpr QLatin1StringView didMigrateMovementThresholdToG{
    "HollerboxApp.didMigrateMovementThresholdToG"};
inline constexpr QLatin1StringView didMigrateFallbackDelayDefault{
    "HollerboxApp.didMigrateFallbackDelayDefault"};
inline constexpr QLatin1StringView didChooseAutomaticChecksPreference{
    "HollerboxApp.didChooseAutomaticChecksPreference"};

} // namespace SettingsKeys
} // namespace hollerbox
