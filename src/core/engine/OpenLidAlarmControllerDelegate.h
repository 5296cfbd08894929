#pragma once

#include "OpenLidAlarmSnapshot.h"

namespace hollerbox {

class OpenLidAlarmController;

/// Receives every snapshot a controller publishes, synchronously on the main thread.
class OpenLidAlarmControllerDelegate
{
public:
    virtual ~OpenLidAlarmControllerDelegate() = default;

    virtual void alarmControllerDidUpdate(OpenLidAlarmController& controller,
                                          const OpenLidAlarmSnapshot& snapshot) = 0;
};

} // namespace hollerbox
