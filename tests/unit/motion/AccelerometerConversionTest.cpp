#include "motion/AccelerometerPlacement.h"
#include "motion/AccelerometerUnits.h"
#include "motion/EvdevAccelerometerScaling.h"
#include "motion/IioAccelerometerCalibration.h"
#include "motion/IioScanLayout.h"

#include <gmock/gmock.h>
#include <limits>
#include <map>

namespace hollerbox::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Optional;

constexpr std::int32_t kOneG = 65536;

// An IIO device directory as a map of attribute texts.
struct Attributes
{
    std::map<std::string, std::string> values;

    IioCalibrationLookup lookup() const
    {
        return IioAccelerometerCalibration::read(
            [this](const std::string& name) -> std::optional<std::string> {
                const auto found = values.find(name);
                if (found == values.end()) {
                    return std::nullopt;
                }
                return found->second;
            });
    }

    IioAccelerometerCalibration calibration() const
    {
        auto result = lookup();
        EXPECT_TRUE(result.calibration) << result.problem;
        return result.calibration.value_or(IioAccelerometerCalibration{});
    }
};

TEST(AccelerometerConversionTest, SysfsNumbersAreReadStrictlyAndWithoutTheLocale)
{
    EXPECT_THAT(parseSysfsNumber("0.009806650\n"), Optional(0.00980665));
    EXPECT_THAT(parseSysfsNumber(" -2 "), Optional(-2.0));
    EXPECT_THAT(parseSysfsNumber("+1e-3"), Optional(0.001));
    for (const char* garbled : {"", "\n", "abc", "1.5x", "1,5", "nan", "inf", "1e999", "0x10", "--1"}) {
        EXPECT_EQ(parseSysfsNumber(garbled), std::nullopt) << garbled;
    }
    EXPECT_THAT(parseSysfsInteger("-512\n"), Optional(-512));
    EXPECT_EQ(parseSysfsInteger("12.5"), std::nullopt);
    EXPECT_EQ(parseSysfsInteger("99999999999999999999"), std::nullopt);
    EXPECT_EQ(parseSysfsInteger(""), std::nullopt);
}

TEST(AccelerometerConversionTest, CountsAreOneIn65536GRoundedAndHeldWithin32Bits)
{
    EXPECT_EQ(countsFromG({1.0, -0.5, 0.25}), (SPUDecodedAxes{kOneG, -kOneG / 2, kOneG / 4}));
    // 1.5 / 65536 g rounds away from zero either way.
    EXPECT_EQ(countsFromG({1.5 / kOneG, -1.5 / kOneG, 0.4 / kOneG}), (SPUDecodedAxes{2, -2, 0}));
    EXPECT_EQ(
        countsFromG({1e9, -1e9, std::numeric_limits<double>::infinity()}),
        (SPUDecodedAxes{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max()}));
}

TEST(AccelerometerConversionTest, IioScaleAndOffsetComeFromTheAxisThenTheSharedThenThePlainAttribute)
{
    // A sensor hub: one shared scale, a count being a thousandth of a g.
    Attributes shared{{{"in_accel_scale", "0.009806650\n"}}};
    EXPECT_EQ(shared.calibration().countsFor({0, -500, 1000}), (SPUDecodedAxes{0, -kOneG / 2, kOneG}));

    // The per-axis scale wins over the shared one; the plain one serves the axes that have neither.
    Attributes mixed{{{"in_accel_x_scale", "0.0196133"},
                      {"in_accel_y_scale", "0.0049033250"},
                      {"in_accel_scale", "0.5"},
                      {"scale", "0.00980665"},
                      {"in_accel_z_offset", "-10"},
                      {"in_accel_offset", "4"},
                      {"offset", "99"}}};
    const auto calibration = mixed.calibration();
    EXPECT_DOUBLE_EQ(calibration.axes()[0].scale, 0.0196133);
    EXPECT_DOUBLE_EQ(calibration.axes()[1].scale, 0.004903325);
    EXPECT_DOUBLE_EQ(calibration.axes()[2].scale, 0.5);
    EXPECT_DOUBLE_EQ(calibration.axes()[0].offset, 4);
    EXPECT_DOUBLE_EQ(calibration.axes()[2].offset, -10);

    Attributes plain{{{"scale", "0.0980665"}, {"offset", "-100"}}};
    // (raw + offset) × scale: 200 - 100 = 100 hundredths of a g on every axis.
    EXPECT_EQ(plain.calibration().countsFor({200, 100, 0}), (SPUDecodedAxes{kOneG, 0, -kOneG}));

    // No offset at all means 0.
    Attributes perAxis{
        {{"in_accel_x_scale", "9.80665"}, {"in_accel_y_scale", "9.80665"}, {"in_accel_z_scale", "4.903325"}}};
    EXPECT_EQ(perAxis.calibration().countsFor({1, -1, 2}), (SPUDecodedAxes{kOneG, -kOneG, kOneG}));
}

TEST(AccelerometerConversionTest, AScaleOrOffsetThatCannotBeUsedMakesTheDeviceUnusableAndSaysWhich)
{
    struct Case
    {
        std::map<std::string, std::string> attributes;
        std::string problem;
    };
    const std::vector<Case> cases{
        {{}, "it has no readable scale for its x axis"},
        {{{"in_accel_x_scale", "1"}, {"in_accel_y_scale", "1"}}, "it has no readable scale for its z axis"},
        {{{"in_accel_scale", "garbage\n"}}, "in_accel_scale reads \"garbage\", which is no usable scale"},
        {{{"in_accel_scale", "0"}}, "in_accel_scale reads \"0\", which is no usable scale"},
        {{{"in_accel_scale", "-0.0098"}}, "in_accel_scale reads \"-0.0098\", which is no usable scale"},
        {{{"in_accel_scale", "1e-12"}}, "in_accel_scale reads \"1e-12\", which is no usable scale"},
        {{{"scale", "5000"}}, "scale reads \"5000\", which is no usable scale"},
        {{{"in_accel_scale", "0.01"}, {"in_accel_y_offset", "12 apples"}},
         "in_accel_y_offset reads \"12 apples\", which is no number"},
    };
    for (const Case& item : cases) {
        const auto result = Attributes{item.attributes}.lookup();
        EXPECT_EQ(result.calibration, std::nullopt);
        EXPECT_EQ(result.problem, item.problem);
    }
    const auto longText = Attributes{{{"scale", std::string(100, '7') + "x"}}}.lookup();
    EXPECT_THAT(longText.problem, HasSubstr("...\", which is no usable scale"));
}

TEST(AccelerometerConversionTest, TheMountMatrixTurnsTheSensorsAxesIntoTheMachines)
{
    // Rows first: machine x = sensor y, machine y = -sensor x, machine z = -sensor z.
    Attributes rotated{
        {{"in_accel_scale", "0.0980665"}, {"in_accel_mount_matrix", "0, 1, 0; -1, 0, 0; 0, 0, -1\n"}}};
    EXPECT_EQ(rotated.calibration().countsFor({10, 20, 100}), countsFromG({0.2, -0.1, -1.0}));

    // The device-wide name serves too; fractional entries are kept.
    Attributes tilted{{{"scale", "0.0980665"}, {"mount_matrix", "0.5, 0, 0; 0, 1, 0; 0, 0, 1"}}};
    EXPECT_EQ(tilted.calibration().countsFor({100, 0, 0}), (SPUDecodedAxes{kOneG / 2, 0, 0}));

    // A matrix that cannot be used is left out rather than spoiling the readings.
    for (const char* unusable : {"1, 0, 0; 0, 1, 0", "1, 0, 0; 0, 1, 0; 0, 0", "a, b, c; d, e, f; g, h, i",
                                 "1, 0, 0; 0, 0, 0; 0, 0, 1", "1, 0, 0; 0, 1, 0; 0, 0, 1; 1, 1, 1", ""}) {
        Attributes bad{{{"in_accel_scale", "0.0980665"}, {"in_accel_mount_matrix", unusable}}};
        const auto calibration = bad.calibration();
        EXPECT_EQ(calibration.mountMatrix(), std::nullopt) << unusable;
        EXPECT_EQ(calibration.countsFor({10, 20, 100}), countsFromG({0.1, 0.2, 1.0}));
    }
}

TEST(AccelerometerConversionTest, EvdevAxesUseTheirResolutionInUnitsPerGOrTheirRangeAsTwoG)
{
    const EvdevAxisInfo resolution{0, -2048, 2047, 0, 0, 1024};
    const auto scaled = EvdevAccelerometerScaling::from({resolution, resolution, resolution});
    ASSERT_TRUE(scaled);
    EXPECT_FALSE(scaled->usesRangeFallback());
    EXPECT_EQ(scaled->countsFor({512, -1024, 2047}), (SPUDecodedAxes{kOneG / 2, -kOneG, 131008}));

    // lis3lv02d style: ±2300 without a resolution, so 1150 units are one g around the middle.
    const EvdevAxisInfo range{0, -2300, 2300, 3, 3, 0};
    const EvdevAxisInfo offsetRange{0, 0, 4000, 0, 0, 0};
    const auto fallback = EvdevAccelerometerScaling::from({range, offsetRange, resolution});
    ASSERT_TRUE(fallback);
    EXPECT_TRUE(fallback->usesRangeFallback());
    EXPECT_EQ(fallback->countsFor({1150, 3000, 1024}), (SPUDecodedAxes{kOneG, kOneG, kOneG}));
    EXPECT_EQ(fallback->countsFor({-2300, 0, 0}), (SPUDecodedAxes{-2 * kOneG, -2 * kOneG, 0}));

    const EvdevAxisInfo flat{0, 5, 5, 0, 0, 0};
    EXPECT_EQ(EvdevAccelerometerScaling::from({resolution, flat, resolution}), std::nullopt);
    const EvdevAxisInfo negativeResolution{0, 10, -10, 0, 0, -5};
    EXPECT_EQ(EvdevAccelerometerScaling::from({resolution, resolution, negativeResolution}), std::nullopt);
}

TEST(AccelerometerConversionTest, ScanElementTypesDecodeEndianSignShiftAndWidth)
{
    const auto twelveBits = IioScanElementType::parse("le:s12/16>>4\n");
    ASSERT_TRUE(twelveBits);
    const std::vector<std::uint8_t> minusOne{0xF0, 0xFF};
    const std::vector<std::uint8_t> plus2047{0xF7, 0x7F};
    EXPECT_EQ(twelveBits->decode(minusOne), -1);
    EXPECT_EQ(twelveBits->decode(plus2047), 2047);

    const auto bigEndian = IioScanElementType::parse("be:s16/16>>0");
    ASSERT_TRUE(bigEndian);
    const std::vector<std::uint8_t> bytes{0xFF, 0x38};
    EXPECT_EQ(bigEndian->decode(bytes), -200);

    const auto unsignedByte = IioScanElementType::parse("le:u8/8>>0");
    ASSERT_TRUE(unsignedByte);
    const std::vector<std::uint8_t> high{0xF0};
    EXPECT_EQ(unsignedByte->decode(high), 240);

    const auto wide = IioScanElementType::parse("le:s32/32X1>>0");
    ASSERT_TRUE(wide);
    const std::vector<std::uint8_t> negative{0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(wide->decode(negative), -65536);

    for (const char* garbled :
         {"", "le:s12/12", "xe:s16/16>>0", "le:q16/16>>0", "le:s16/24>>0", "le:s17/16>>0", "le:s16/16>>16",
          "le:s0/16>>0", "le:s16/16X3>>0", "le:s16/16>>0 trailing", "le:s-16/16>>0"}) {
        EXPECT_EQ(IioScanElementType::parse(garbled), std::nullopt) << garbled;
    }
}

TEST(AccelerometerConversionTest, ScanLayoutAlignsEachChannelToItsSizeAndPadsTheScan)
{
    const auto s16 = *IioScanElementType::parse("le:s16/16>>0");
    const auto s64 = *IioScanElementType::parse("le:s64/64>>0");
    // Listed out of order; the timestamp (8 bytes) is aligned to 8 after three 16-bit axes.
    const auto layout = IioScanLayout::make(
        {{"timestamp", 3, s64}, {"z", 2, s16}, {"x", 0, s16}, {"y", 1, s16}}, {"x", "y", "z"});
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->scanBytes(), 16U);
    const std::vector<std::uint8_t> scan{0x01, 0x00, 0xFE, 0xFF, 0x64, 0x00, 0xAA, 0xAA,
                                         1,    2,    3,    4,    5,    6,    7,    8};
    EXPECT_EQ(layout->decode(scan), (std::array<std::int64_t, 3>{1, -2, 100}));

    // A 32-bit channel after one 16-bit axis starts at 4; the scan pads to 4-byte multiples.
    const auto s32 = *IioScanElementType::parse("le:s32/32>>0");
    const auto mixed = IioScanLayout::make({{"x", 0, s16}, {"y", 1, s32}, {"z", 2, s16}}, {"x", "y", "z"});
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->scanBytes(), 12U);
    const std::vector<std::uint8_t> mixedScan{0x02, 0x00, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 0, 0};
    EXPECT_EQ(mixed->decode(mixedScan), (std::array<std::int64_t, 3>{2, -1, 3}));

    EXPECT_EQ(IioScanLayout::make({{"x", 0, s16}, {"y", 1, s16}}, {"x", "y", "z"}), std::nullopt);
    EXPECT_EQ(IioScanLayout::make({{"x", 0, s16}, {"y", 1, s16}, {"z", 1, s16}}, {"x", "y", "z"}),
              std::nullopt);
}

TEST(AccelerometerConversionTest, ADisplayMountedSensorRanksBeforeAnUnknownOneAndTheBaseLast)
{
    EXPECT_EQ(accelerometerPlacement("accel-display", ""), AccelerometerPlacement::display);
    EXPECT_EQ(accelerometerPlacement("", "lid"), AccelerometerPlacement::display);
    EXPECT_EQ(accelerometerPlacement("accel-base", "lid"), AccelerometerPlacement::base);
    EXPECT_EQ(accelerometerPlacement("", "Base\n"), AccelerometerPlacement::base);
    EXPECT_EQ(accelerometerPlacement("", ""), AccelerometerPlacement::unknown);
    EXPECT_LT(placementRank(AccelerometerPlacement::display), placementRank(AccelerometerPlacement::unknown));
    EXPECT_LT(placementRank(AccelerometerPlacement::unknown), placementRank(AccelerometerPlacement::base));
}

} // namespace
} // namespace hollerbox::testing
