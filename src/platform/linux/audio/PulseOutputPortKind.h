#pragma once

#include "audio/AudioOutputPort.h"

#include <cstdint>
#include <string_view>

namespace hollerbox {

/// What a sink port leads to, from its PulseAudio type (a `pa_device_port_type_t`, 0 when the server does not
/// say) and, when the type is unknown or generic analog, from its name ("analog-output-headphones",
/// "analog-output-lineout", "analog-output-speaker", "[Out] Headphones"). A name that is both a speaker and
/// a jack is neither.
AudioOutputPortKind pulseOutputPortKind(std::string_view name, std::uint32_t type);

} // namespace hollerbox
