#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// Small reads of sysfs attributes that never block for long and never read past a limit.
namespace SysfsFiles {

/// The first `limit` bytes of the file at `path`; none when it cannot be opened or read.
std::optional<std::string> read(const std::string& path, std::size_t limit = 65536);

/// Writes `text` to the attribute at `path`; 0 on success, otherwise the errno of the failure.
int write(const std::string& path, std::string_view text);

/// The KEY=VALUE lines of a uevent file.
std::map<std::string, std::string, std::less<>> parseUevent(std::string_view text);

} // namespace SysfsFiles
} // namespace hollerbox
