#include "linux/audio/MissedWriteCoding.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

using Writes = std::vector<AudioHardwarePulse::MissedWrite>;

TEST(MissedWriteCodingTest, WritesComeBackAsTheyWereEncoded)
{
    const Writes cases[] = {
        {},
        {{"alsa_output.pci-0000_00_1f.3.analog-stereo", true, {19661, 6554}}},
        {{"sink \"quoted\" ü", std::nullopt, {0x7fffffff}}, {"other", false, {}}},
        {{"surround", std::nullopt, std::vector<std::uint32_t>(32, 65536)}},
    };
    for (const auto& writes : cases) {
        const auto text = MissedWriteCoding::encode(writes);
        SCOPED_TRACE(text);
        EXPECT_EQ(MissedWriteCoding::decode(text), writes);
    }
}

TEST(MissedWriteCodingTest, AnythingElseIsRefusedWhole)
{
    const char* const cases[] = {
        "",
        "{}",
        "[1]",
        "[{\"sink\": \"a\", \"mute\": true}",
        "[{\"mute\": true}]",
        "[{\"sink\": \"\", \"mute\": true}]",
        "[{\"sink\": 5, \"mute\": true}]",
        "[{\"sink\": \"a\"}]",
        "[{\"sink\": \"a\", \"volumes\": []}]",
        "[{\"sink\": \"a\", \"mute\": 1}]",
        "[{\"sink\": \"a\", \"volumes\": 65536}]",
        "[{\"sink\": \"a\", \"volumes\": [-1]}]",
        "[{\"sink\": \"a\", \"volumes\": [0.5]}]",
        "[{\"sink\": \"a\", \"volumes\": [2147483648]}]",
        "[{\"sink\": \"a\", \"volumes\": "
        "[1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1]}]",
        "[{\"sink\": \"a\", \"mute\": true}, {\"sink\": \"b\"}]",
    };
    for (const auto* text : cases) {
        EXPECT_FALSE(MissedWriteCoding::decode(text).has_value()) << text;
    }
}

} // namespace
} // namespace hollerbox
