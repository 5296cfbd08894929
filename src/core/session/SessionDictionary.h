#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace hollerbox {

/// One value of a login session's property map: a flag, a number, a text, or a value of another kind
/// (`std::monostate`) that the lock logic does not interpret.
using SessionValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

/// The properties of the current login session by name, sorted by name.
using SessionDictionary = std::map<std::string, SessionValue>;

} // namespace hollerbox
