#include "model/checks/PlatformHardwareCheck.h"

#include "model/checks/HardwareCheckTexts.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using Status = HardwareCheckStatus;

TEST(PlatformHardwareCheckTest, TheFirstMissingFactNamesTheWarningWithTheSystemFirst)
{
    const struct
    {
        PlatformFacts facts;
        HardwareCheckItemState expected;
    } cases[] = {
        {{true, true, true}, {"Apple Silicon MacBook detected", Status::ready}},
        {{false, true, true}, {"macOS 14 or later required", Status::warning}},
        {{false, false, false}, {"macOS 14 or later required", Status::warning}},
        {{true, false, true}, {"Apple Silicon MacBook required", Status::warning}},
        {{true, false, false}, {"Apple Silicon MacBook required", Status::warning}},
        {{true, true, false}, {"MacBook hardware required", Status::warning}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(::testing::Message()
                     << entry.facts.operatingSystemSupported << entry.facts.hasReadableAccelerometerHardware
                     << entry.facts.hasInternalBattery);
        EXPECT_EQ(PlatformHardwareCheck::evaluate(entry.facts), entry.expected);
    }
}

} // namespace
} // namespace hollerbox::testing
