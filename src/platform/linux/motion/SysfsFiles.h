#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hollerbox {

/// Small reads of sysfs attributes that never block for long and never read past a limit.
namespace SysfsFiles {

/// The first `limit` bytes of the file at `path`; none when it cannot be opened or read.
std::optional<std::string> read(const std::string& path, std::size_t limit = 65536);

/// Writes `text` to the attribute at `path`; 0 on success, otherwise the errno of the failure.
int write(const std::string& path, std::string_view text);

/// The first line of `text`, at most `limit` characters; empty when there is no text.
std::string firstLine(const std::optional<std::string>& text, std::size_t limit = 128);

/// The number N of an entry named `prefix` followed by the decimal N ("hidraw3", "event12"), or none.
std::optional<unsigned> numberAfter(std::string_view name, std::string_view prefix);

/// The entries of `directory` named `prefix` and a number, as (number, name) in ascending order; none with
/// errno set when the directory cannot be opened.
std::optional<std::vector<std::pair<unsigned, std::string>>> numberedEntries(const std::string& directory,
                                                                             std::string_view prefix);

/// The KEY=VALUE lines of a uevent file.
std::map<std::string, std::string, std::less<>> parseUevent(std::string_view text);

} // namespace SysfsFiles
} // namespace hollerbox
