#include "linux/audio/PulseOutputPortKind.h"

#include <gtest/gtest.h>
#include <pulse/def.h>

namespace hollerbox::testing {
namespace {

TEST(PulseOutputPortKindTest, TypeFirstThenNameForUnknownOrAnalogPorts)
{
    using enum AudioOutputPortKind;
    struct Case
    {
        const char* name;
        std::uint32_t type;
        AudioOutputPortKind kind;
    };
    const Case cases[] = {
        {"analog-output-speaker", PA_DEVICE_PORT_TYPE_UNKNOWN, speaker},
        {"analog-output-speaker-always", PA_DEVICE_PORT_TYPE_ANALOG, speaker},
        {"analog-output-headphones", PA_DEVICE_PORT_TYPE_UNKNOWN, headphones},
        {"analog-output-headphones-2", PA_DEVICE_PORT_TYPE_ANALOG, headphones},
        {"analog-output-lineout", PA_DEVICE_PORT_TYPE_UNKNOWN, lineOut},
        {"[Out] Headphones", PA_DEVICE_PORT_TYPE_UNKNOWN, headphones},
        {"[Out] Speaker", PA_DEVICE_PORT_TYPE_UNKNOWN, speaker},
        {"[Out] Line1", PA_DEVICE_PORT_TYPE_UNKNOWN, lineOut},
        {"[Out] Speaker+[Out] Headphones", PA_DEVICE_PORT_TYPE_UNKNOWN, other},
        {"analog-output", PA_DEVICE_PORT_TYPE_ANALOG, other},
        {"port-a", PA_DEVICE_PORT_TYPE_SPEAKER, speaker},
        {"port-b", PA_DEVICE_PORT_TYPE_HEADPHONES, headphones},
        {"port-c", PA_DEVICE_PORT_TYPE_HEADSET, headphones},
        {"port-d", PA_DEVICE_PORT_TYPE_LINE, lineOut},
        {"hdmi-output-0", PA_DEVICE_PORT_TYPE_HDMI, other},
        {"speaker-named-hdmi", PA_DEVICE_PORT_TYPE_HDMI, other},
        {"iec958-stereo-output", PA_DEVICE_PORT_TYPE_SPDIF, other},
    };
    for (const auto& [name, type, kind] : cases) {
        EXPECT_EQ(pulseOutputPortKind(name, type), kind) << name;
    }
}

} // namespace
} // namespace hollerbox::testing
