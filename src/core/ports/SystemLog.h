#pragma once

#include <string_view>

namespace hollerbox {

/// The operating system's log; writing never fails visibly and is safe from any thread.
class SystemLog
{
public:
    virtual ~SystemLog() = default;

    /// Writes one informational entry of `category` under the program's subsystem.
    virtual void info(std::string_view category, std::string_view message) = 0;
};

} // namespace hollerbox
