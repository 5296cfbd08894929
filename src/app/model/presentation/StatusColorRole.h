#pragma once

#include "engine/OpenLidAlarmSnapshot.h"

namespace hollerbox {

/// The colour of the protection status; the views choose the exact colour values.
enum class StatusColorRole
{
    secondary,
    orange,
    blue,
    red,
    green
};

/// Greyed while protection is off, orange while the lid is closed, blue while the screen is unlocked, red
/// while the alarm sounds, green otherwise.
StatusColorRole statusColorRole(bool protectionEnabled, const OpenLidAlarmSnapshot& snapshot);

} // namespace hollerbox
