#pragma once

#include "engine/RootDomainReading.h"

namespace hollerbox::testing {

/// A lid reader that answers what the test sets.
class FakeRootDomainReader final : public RootDomainReading
{
public:
    std::optional<bool> currentClamshellState() override { return clamshellClosed; }
    std::optional<bool> currentSleepSupported() override { return sleepSupported; }
    bool canOpenRootDomain() override { return canOpen; }

    std::optional<bool> clamshellClosed = false;
    std::optional<bool> sleepSupported = true;
    bool canOpen = true;
};

} // namespace hollerbox::testing
