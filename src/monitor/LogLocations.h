#pragma once

#include <string>

namespace hollerbox {

/// Where the background monitor writes its log by default.
namespace LogLocations {

/// <state directory>/Logs/Hollerbox/background-monitor, created if missing; the state directory is an
/// absolute $XDG_STATE_HOME, else ~/.local/state (XdgDirectories::stateHome). Computed once.
const std::string& directoryPath();

/// directoryPath()/background-monitor.log.
const std::string& defaultLogFilePath();

/// The directory for the given environment values (empty when unset), without creating it.
std::string directoryPathFor(const std::string& xdgStateHome, const std::string& home);

} // namespace LogLocations
} // namespace hollerbox
