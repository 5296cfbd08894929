#include "BackgroundMonitorLaunchRequest.h"

#include "audio/AlarmSoundSelectionCoding.h"
#include "engine/NumberFormatting.h"

namespace hollerbox {

namespace {

QString decimal(double value)
{
    return QString::fromStdString(formatShortestDecimal(value));
}

} // namespace

QStringList BackgroundMonitorLaunchRequest::arguments() const
{
    return {QStringLiteral("--arm-delay"),
            decimal(armDelaySeconds),
            QStringLiteral("--threshold-g"),
            decimal(movementThresholdG),
            QStringLiteral("--alarm-volume"),
            decimal(alarmVolumeScalar),
            QStringLiteral("--repeat-seconds"),
            decimal(alarmRepeatSeconds),
            QStringLiteral("--poll-ms"),
            QStringLiteral("250"),
            QStringLiteral("--alarm-sound-base64"),
            QString::fromStdString(alarmSoundSelectionCommandLineValue(alarmSoundSelection)),
            QStringLiteral("--log-file"),
            logFilePath};
}

} // namespace hollerbox
