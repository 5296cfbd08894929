#include "model/presentation/ProtectionPresentation.h"

#include "model/presentation/StatusColorRole.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using State = OpenLidAlarmState;

TEST(ProtectionPresentationTest, HeadlineGuidanceAndColourFollowTheFirstRuleThatApplies)
{
    constexpr auto offGuidance = "Turn protection on and Hollerbox will start watching after lock.";
    constexpr auto lockGuidance = "Lock the Mac before you step away.";
    constexpr auto unlockGuidance = "Unlock the Mac to stop the noise and send it back to idle.";
    constexpr auto confirmedGuidance =
        "Lock confirmed. Hollerbox can now arm and react if the Mac gets moved.";
    const struct
    {
        bool enabled;
        bool locked;
        bool lidClosed;
        State state;
        std::string_view headline;
        std::string_view guidance;
        StatusColorRole colour;
    } cases[] = {
        {false, true, true, State::triggered, "Off duty", offGuidance, StatusColorRole::secondary},
        {false, false, false, State::idle, "Off duty", offGuidance, StatusColorRole::secondary},
        {true, false, true, State::idle, "Ready to arm", lockGuidance, StatusColorRole::orange},
        {true, false, false, State::triggered, "Ready to arm", lockGuidance, StatusColorRole::blue},
        {true, true, false, State::triggered, "Alarm live", unlockGuidance, StatusColorRole::red},
        {true, true, true, State::triggered, "Alarm live", unlockGuidance, StatusColorRole::orange},
        {true, true, false, State::pendingArm, "Lock spotted", confirmedGuidance, StatusColorRole::green},
        {true, true, false, State::armed, "Lock spotted", confirmedGuidance, StatusColorRole::green},
        {true, true, false, State::idle, "Lock spotted", confirmedGuidance, StatusColorRole::green},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(::testing::Message()
                     << entry.enabled << entry.locked << entry.lidClosed << " " << rawValue(entry.state));
        ProtectionPresentation presentation{entry.enabled, {}};
        presentation.snapshot.isScreenLocked = entry.locked;
        presentation.snapshot.isLidClosed = entry.lidClosed;
        presentation.snapshot.state = entry.state;
        EXPECT_EQ(presentation.headline(), entry.headline);
        EXPECT_EQ(presentation.guidanceText(), entry.guidance);
        EXPECT_EQ(statusColorRole(entry.enabled, presentation.snapshot), entry.colour);
    }
}

} // namespace
} // namespace hollerbox::testing
