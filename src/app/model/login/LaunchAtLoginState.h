#pragma once

#include "LaunchAtLoginSupport.h"

namespace hollerbox {

/// Whether the application starts at login, and whether that can be changed.
struct LaunchAtLoginState
{
    bool enabled = false;
    LaunchAtLoginSupport support = LaunchAtLoginSupport::available();

    friend bool operator==(const LaunchAtLoginState&, const LaunchAtLoginState&) = default;
};

} // namespace hollerbox
