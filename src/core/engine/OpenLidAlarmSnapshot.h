#pragma once

#include "AudioReadinessSnapshot.h"
#include "MovementMonitorLiveValue.h"
#include "OpenLidAlarmState.h"
#include "ports/WallTime.h"

#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// What the controller publishes after every decision; equal only when all ten fields are.
struct OpenLidAlarmSnapshot
{
    OpenLidAlarmState state = OpenLidAlarmState::idle;
    bool isScreenLocked = false;
    bool isLidClosed = false;
    AudioReadinessSnapshot audioReadiness;
    std::string statusText;
    std::string detailText;
    std::vector<std::string> diagnosticLines;
    std::vector<MovementMonitorLiveValue> liveMovementValues;
    std::optional<double> secondsUntilNextStage;
    WallTime lastUpdatedAt;

    friend bool operator==(const OpenLidAlarmSnapshot&, const OpenLidAlarmSnapshot&) = default;
};

} // namespace hollerbox
