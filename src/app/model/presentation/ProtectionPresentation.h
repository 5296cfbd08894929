#pragma once

#include "engine/OpenLidAlarmSnapshot.h"

#include <string_view>

namespace hollerbox {

/// The short texts that tell the user where protection stands, from the switch and the last snapshot.
struct ProtectionPresentation
{
    bool protectionEnabled = false;
    OpenLidAlarmSnapshot snapshot;

    /// "Off duty", "Ready to arm", "Alarm live" or "Lock spotted".
    std::string_view headline() const;
    /// The one sentence of guidance for the current situation.
    std::string_view guidanceText() const;
};

} // namespace hollerbox
