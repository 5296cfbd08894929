#include "engine/NumberFormatting.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace hollerbox {
namespace {

TEST(NumberFormattingTest, ShortestDecimalReadsBackAndKeepsOneDecimalOnWholeNumbers)
{
    EXPECT_EQ(formatShortestDecimal(2), "2.0");
    EXPECT_EQ(formatShortestDecimal(0), "0.0");
    EXPECT_EQ(formatShortestDecimal(-0.0), "-0.0");
    EXPECT_EQ(formatShortestDecimal(-3), "-3.0");
    EXPECT_EQ(formatShortestDecimal(0.1), "0.1");
    EXPECT_EQ(formatShortestDecimal(2.5), "2.5");
    EXPECT_EQ(formatShortestDecimal(static_cast<double>(0.65F)), "0.6499999761581421");
    EXPECT_EQ(formatShortestDecimal(0.0001), "0.0001");
    EXPECT_EQ(formatShortestDecimal(1e-5), "1e-05");
    EXPECT_EQ(formatShortestDecimal(1234567.0), "1234567.0");
    EXPECT_EQ(formatShortestDecimal(1e20), "1e+20");
    EXPECT_EQ(formatShortestDecimal(std::numeric_limits<double>::infinity()), "inf");
    for (double value : {0.3, 1.0 / 3.0, 123.456, 5e-324, 1.7976931348623157e308}) {
        EXPECT_EQ(std::strtod(formatShortestDecimal(value).c_str(), nullptr), value);
    }
}

TEST(NumberFormattingTest, FixedRoundsLikePrintfWhateverTheLocale)
{
    EXPECT_EQ(formatFixed(0.05, 4), "0.0500");
    EXPECT_EQ(formatFixed(0.03125, 4), "0.0312"); // exact tie rounds to even, as printf does
    EXPECT_EQ(formatFixed(static_cast<double>(0.65F), 2), "0.65");
    EXPECT_EQ(formatFixed(1, 2), "1.00");
    EXPECT_EQ(formatFixed(-0.004, 2), "-0.00");
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        EXPECT_EQ(formatFixed(0.5, 2), "0.50");
        EXPECT_EQ(formatShortestDecimal(0.5), "0.5");
        std::setlocale(LC_NUMERIC, "C");
    }
}

} // namespace
} // namespace hollerbox
