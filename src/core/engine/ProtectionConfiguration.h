#pragma once

#include "audio/AlarmSoundSelection.h"

#include <cstdint>

namespace hollerbox {

/// The settings one controller runs with; taken as given, without clamping.
struct ProtectionConfiguration
{
    double armDelaySeconds = 2.0;
    double simulatedTriggerDelaySeconds = 0.0;
    double movementTriggerThresholdG = 0.05;
    float alarmVolumeScalar = 0.65F;
    std::uint64_t pollIntervalMilliseconds = 250;
    double alarmRepeatIntervalSeconds = 2.0;
    AlarmSoundSelection alarmSoundSelection = AlarmSoundSelection::defaultSelection();

    friend bool operator==(const ProtectionConfiguration&, const ProtectionConfiguration&) = default;
};

} // namespace hollerbox
