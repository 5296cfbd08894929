#pragma once

#include "WallTime.h"

namespace hollerbox {

/// Source of the current wall-clock time; safe to call from any thread.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
};

} // namespace hollerbox
