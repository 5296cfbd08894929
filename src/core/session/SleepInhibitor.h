#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hollerbox {

/// Keeps the machine from sleeping on idle, or from acting on its lid and power keys, while one of its
/// inhibitions is held.
class SleepInhibitor
{
public:
    /// One held inhibition; destroying it gives it back, exactly once.
    class Inhibition
    {
    public:
        virtual ~Inhibition() = default;
    };

    /// Status 0 comes with the held inhibition; any other status means nothing is held.
    struct Result
    {
        std::int32_t status = 0;
        std::unique_ptr<Inhibition> inhibition;
    };

    virtual ~SleepInhibitor() = default;

    /// Asks the platform for a new inhibition shown under `name`.
    virtual Result inhibit(const std::string& name) = 0;
};

} // namespace hollerbox
