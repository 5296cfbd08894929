#pragma once

#include "ports/Clock.h"

namespace hollerbox {

/// The real wall clock.
class ClockSystem final : public Clock
{
public:
    WallTime now() const override;
};

} // namespace hollerbox
