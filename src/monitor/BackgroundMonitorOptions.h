#pragma once

#include "audio/AlarmSoundSelection.h"

#include <cstdint>
#include <string>

namespace hollerbox {

/// The background monitor's settings, as parsed from its command line.
struct BackgroundMonitorOptions
{
    double armDelaySeconds = 2.0;
    double movementThresholdG = 0.05;
    float alarmVolumeScalar = 0.65F;
    double alarmRepeatSeconds = 2.0;
    std::uint64_t pollIntervalMilliseconds = 250;
    AlarmSoundSelection alarmSoundSelection = AlarmSoundSelection::defaultSelection();
    std::string logFilePath;

    friend bool operator==(const BackgroundMonitorOptions&, const BackgroundMonitorOptions&) = default;
};

} // namespace hollerbox
