#pragma once

#include "AudioHardwarePulse.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The text form in which the background monitor hands the audio writes its sound server missed to the
/// process that applies them after it has exited: a JSON array of {"sink", "mute", "volumes"} objects.
class MissedWriteCoding
{
public:
    static std::string encode(const std::vector<AudioHardwarePulse::MissedWrite>& writes);
    /// The writes in `text`, or none when it is not such an array: every object needs a non-empty sink name
    /// and a mute or at least one channel volume; a volume list has at most 32 entries of at most 0x7fffffff.
    static std::optional<std::vector<AudioHardwarePulse::MissedWrite>> decode(std::string_view text);
};

} // namespace hollerbox
