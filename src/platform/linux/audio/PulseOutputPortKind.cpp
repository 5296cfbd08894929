#include "PulseOutputPortKind.h"

#include <algorithm>
#include <pulse/def.h>
#include <pulse/version.h>
#include <string>

namespace hollerbox {

namespace {

bool contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

AudioOutputPortKind kindFromName(std::string_view name)
{
    std::string lower{name};
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    const bool headphones = contains(lower, "headphone") || contains(lower, "headset");
    const bool lineOut = contains(lower, "lineout") || contains(lower, "line-out") ||
                         contains(lower, "line out") || contains(lower, "[out] line");
    const bool speaker = contains(lower, "speaker");
    if (speaker) {
        return headphones || lineOut ? AudioOutputPortKind::other : AudioOutputPortKind::speaker;
    }
    if (headphones) {
        return AudioOutputPortKind::headphones;
    }
    return lineOut ? AudioOutputPortKind::lineOut : AudioOutputPortKind::other;
}

} // namespace

AudioOutputPortKind pulseOutputPortKind(std::string_view name, std::uint32_t type)
{
#if PA_CHECK_VERSION(14, 0, 0)
    switch (type) {
    case PA_DEVICE_PORT_TYPE_SPEAKER:
        return AudioOutputPortKind::speaker;
    case PA_DEVICE_PORT_TYPE_HEADPHONES:
    case PA_DEVICE_PORT_TYPE_HEADSET:
        return AudioOutputPortKind::headphones;
    case PA_DEVICE_PORT_TYPE_LINE:
        return AudioOutputPortKind::lineOut;
    case PA_DEVICE_PORT_TYPE_UNKNOWN:
    case PA_DEVICE_PORT_TYPE_ANALOG:
        return kindFromName(name);
    default:
        return AudioOutputPortKind::other;
    }
#else
    static_cast<void>(type);
    return kindFromName(name);
#endif
}

} // namespace hollerbox
