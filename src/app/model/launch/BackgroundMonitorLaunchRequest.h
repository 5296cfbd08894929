#pragma once

#include "audio/AlarmSoundSelection.h"

#include <QString>
#include <QStringList>

namespace hollerbox {

/// The settings one background monitor is launched with.
struct BackgroundMonitorLaunchRequest
{
    double armDelaySeconds = 0;
    double movementThresholdG = 0;
    double alarmVolumeScalar = 0;
    double alarmRepeatSeconds = 0;
    AlarmSoundSelection alarmSoundSelection = AlarmSoundSelection::defaultSelection();
    QString logFilePath;

    /// The monitor's command line after the program: fourteen texts, each option name followed by its value.
    QStringList arguments() const;

    friend bool operator==(const BackgroundMonitorLaunchRequest&,
                           const BackgroundMonitorLaunchRequest&) = default;
};

} // namespace hollerbox
