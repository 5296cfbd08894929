#include "StatusColorRole.h"

namespace hollerbox {

StatusColorRole statusColorRole(bool protectionEnabled, const OpenLidAlarmSnapshot& snapshot)
{
    if (!protectionEnabled) {
        return StatusColorRole::secondary;
    }
    if (snapshot.isLidClosed) {
        return StatusColorRole::orange;
    }
    if (!snapshot.isScreenLocked) {
        return StatusColorRole::blue;
    }
    if (snapshot.state == OpenLidAlarmState::triggered) {
        return StatusColorRole::red;
    }
    return StatusColorRole::green;
}

} // namespace hollerbox
