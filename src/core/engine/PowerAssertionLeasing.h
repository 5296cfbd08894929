#pragma once

#include <cstdint>
#include <string>

namespace hollerbox {

/// A lease that keeps the machine from sleeping, or from acting on its lid and power keys, while held.
class PowerAssertionLeasing
{
public:
    virtual ~PowerAssertionLeasing() = default;

    /// Whether the lease is currently held.
    virtual bool isActive() const = 0;
    /// Takes the lease under `name`; 0 on success, and 0 without a second lease while one is held.
    virtual std::int32_t acquire(const std::string& name) = 0;
    /// Gives the lease back; does nothing when none is held.
    virtual void release() = 0;
};

} // namespace hollerbox
