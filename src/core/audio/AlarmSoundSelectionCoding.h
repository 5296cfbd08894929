#pragma once

#include "AlarmSoundSelection.h"

#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// Outcome of reading an encoded selection: the selection, or why it could not be read.
struct AlarmSoundSelectionDecoding
{
    std::optional<AlarmSoundSelection> selection;
    std::string failure;
};

/// The compact JSON form of `selection` ("kind", then "builtIn", or "path" and "displayName"); none when the
/// texts cannot be written as JSON (a path that is not valid UTF-8).
std::optional<std::string> encodeAlarmSoundSelection(const AlarmSoundSelection& selection);

/// The selection written in `json`, in any key order and any valid escaping; keys the kind does not use are
/// ignored.
AlarmSoundSelectionDecoding decodeAlarmSoundSelection(std::string_view json);

/// The Base64 of the JSON form, as passed on the background monitor's command line; empty when encoding
/// fails.
std::string alarmSoundSelectionCommandLineValue(const AlarmSoundSelection& selection);

/// The selection passed on the command line, or the default selection when the value is absent, is not
/// strict Base64 or does not hold a readable selection.
AlarmSoundSelection alarmSoundSelectionFromCommandLineValue(std::optional<std::string_view> base64);

/// The last component of `path` without its extension, as shown for a custom file without a display name.
std::string displayNameForPath(std::string_view path);

} // namespace hollerbox
