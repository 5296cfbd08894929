#pragma once

#include <optional>

namespace hollerbox {

/// Reads the machine's power-management state.
class RootDomainReading
{
public:
    virtual ~RootDomainReading() = default;

    /// True when the lid is closed, false when open, none when it cannot be read.
    virtual std::optional<bool> currentClamshellState() = 0;
    /// Whether the machine supports sleep, none when unknown.
    virtual std::optional<bool> currentSleepSupported() = 0;
    /// Whether the power-management service can be reached at all.
    virtual bool canOpenRootDomain() = 0;
};

} // namespace hollerbox
