#pragma once

#include "ResourceDirectories.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// Finds the core library's resource bundle, the directory that holds the built-in sounds.
namespace CoreResourceBundle {

inline constexpr std::string_view name = "Hollerbox_HollerboxCore";
inline constexpr std::string_view directoryName = "Hollerbox_HollerboxCore.bundle";

/// Which candidate list is searched: the programs' own, or the background monitor's variant.
enum class Lookup
{
    standard,
    backgroundMonitor
};

/// Outcome of one search: the bundle's path, or the fatal message of a broken installation.
struct Location
{
    std::optional<std::string> path;
    std::string failureMessage;
};

/// The candidate bundle paths of `lookup`, in search order (directories that cannot be determined are left
/// out).
std::vector<std::string> candidates(const ResourceDirectories& directories, Lookup lookup);

/// The first candidate that exists as a directory, or the failure message naming what was tried.
Location find(const ResourceDirectories& directories, Lookup lookup);

/// Writes "Fatal error: " and `message` to standard error and ends the process abnormally.
[[noreturn]] void fatalError(std::string_view message);

} // namespace CoreResourceBundle
} // namespace hollerbox
