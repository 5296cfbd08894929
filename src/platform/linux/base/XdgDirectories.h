#pragma once

#include <string>

namespace hollerbox {

/// The user's XDG base directories (config, state, data). A variable that is unset, empty or
/// relative is ignored in favour of the default under the home directory ($HOME, else the password entry).
/// Nothing is created. Any thread.
namespace XdgDirectories {

std::string homeDirectory();
/// $XDG_CONFIG_HOME, else ~/.config.
std::string configHome();
/// $XDG_STATE_HOME, else ~/.local/state.
std::string stateHome();
/// $XDG_DATA_HOME, else ~/.local/share.
std::string dataHome();

/// `variableValue` when it is an absolute path, else `home` joined with `fallback`.
std::string resolve(const std::string& variableValue, const std::string& home, const std::string& fallback);

} // namespace XdgDirectories
} // namespace hollerbox
