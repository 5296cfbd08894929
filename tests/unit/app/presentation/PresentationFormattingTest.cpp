#include "model/presentation/PresentationFormatting.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace hollerbox::testing {
namespace {

using namespace PresentationFormatting;

TEST(PresentationFormattingTest, CountdownHasOneDecimalAndNoneWithoutACountdown)
{
    const struct
    {
        std::optional<double> seconds;
        std::optional<std::string> text;
    } cases[] = {
        {3.0, "3.0s"},
        {1.96, "2.0s"},
        {0.04, "0.0s"},
        {std::nullopt, std::nullopt},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(countdownText(entry.seconds), entry.text) << entry.seconds.value_or(-1);
    }
}

TEST(PresentationFormattingTest, MenuBarIconFollowsTheProtectionSwitchOnly)
{
    EXPECT_EQ(menuBarIconName(true), "MenuIconArmed");
    EXPECT_EQ(menuBarIconName(false), "MenuIconSleep");
}

TEST(PresentationFormattingTest, VolumeIsAClampedWholePercentageRoundedHalfAwayFromZero)
{
    const struct
    {
        double volume;
        std::string text;
    } cases[] = {
        {static_cast<double>(0.65f), "65%"},
        {1.7, "100%"},
        {-0.2, "0%"},
        {std::numeric_limits<double>::quiet_NaN(), "0%"},
        {0.125, "13%"},
        {0.124, "12%"},
        {0.005, "1%"},
        {1.0, "100%"},
        {0.0, "0%"},
        {std::numeric_limits<double>::infinity(), "100%"},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(volumePercentageText(entry.volume), entry.text) << entry.volume;
    }
}

} // namespace
} // namespace hollerbox::testing
