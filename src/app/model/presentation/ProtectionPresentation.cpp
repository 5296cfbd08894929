#include "ProtectionPresentation.h"

namespace hollerbox {

std::string_view ProtectionPresentation::headline() const
{
    if (!protectionEnabled) {
        return "Off duty";
    }
    if (!snapshot.isScreenLocked) {
        return "Ready to arm";
    }
    if (snapshot.state == OpenLidAlarmState::triggered) {
        return "Alarm live";
    }
    return "Lock spotted";
}

std::string_view ProtectionPresentation::guidanceText() const
{
    if (!protectionEnabled) {
        return "Turn protection on and Hollerbox will start watching after lock.";
    }
    if (!snapshot.isScreenLocked) {
        return "Lock the Mac before you step away.";
    }
    if (snapshot.state == OpenLidAlarmState::triggered) {
        return "Unlock the Mac to stop the noise and send it back to idle.";
    }
    return "Lock confirmed. Hollerbox can now arm and react if the Mac gets moved.";
}

} // namespace hollerbox
