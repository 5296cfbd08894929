#pragma once

#include "ports/WallTime.h"

#include <memory>
#include <string>
#include <string_view>

namespace hollerbox {

class SystemLog;

/// The one diagnostics channel of the core and the programs: time-stamped entries sent to the system log.
namespace HollerboxDiagnostics {

/// Reverse-DNS identifier under which entries reach the system log.
inline constexpr std::string_view subsystem = "org.hollerbox.Hollerbox";
/// Category of every entry.
inline constexpr std::string_view category = "app";

/// Installs the system log that `log` writes to; without one, `log` only formats. Any thread.
void setSystemLog(std::shared_ptr<SystemLog> systemLog);

/// `at` as ISO 8601 UTC without fractions (2026-03-14T09:15:02Z).
std::string formatTimestamp(WallTime at);

/// The formatted time of `at`, two spaces, then `message`.
std::string formattedEntry(std::string_view message, WallTime at);

/// Builds the entry, writes it to the system log at info level and returns it. Any thread.
std::string log(std::string_view message, WallTime at);

} // namespace HollerboxDiagnostics
} // namespace hollerbox
