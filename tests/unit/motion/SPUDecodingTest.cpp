#include "MotionTestSupport.h"
#include "motion/HexFormatting.h"
#include "motion/SPUDecodedAxes.h"
#include "motion/SPUProbeDeviceSummary.h"

#include <gmock/gmock.h>
#include <limits>

namespace hollerbox::testing {
namespace {

using ::testing::Optional;

TEST(SPUDecodingTest, Int32LittleEndianReadsFourBytesOrNothing)
{
    const std::vector<std::uint8_t> bytes{0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x80};
    EXPECT_THAT(int32LittleEndian(bytes, 0), Optional(0x12345678));
    EXPECT_THAT(int32LittleEndian(bytes, 4), Optional(static_cast<std::int32_t>(0x80FFFFFFU)));
    EXPECT_EQ(int32LittleEndian(bytes, 5), std::nullopt);
    EXPECT_EQ(int32LittleEndian(bytes, 8), std::nullopt);
    EXPECT_EQ(int32LittleEndian(bytes, std::numeric_limits<std::size_t>::max() - 1), std::nullopt);
    EXPECT_EQ(int32LittleEndian({}, 0), std::nullopt);
}

TEST(SPUDecodingTest, AxesSitAtOffsetsSixTenAndFourteenInCountsOfOneIn65536G)
{
    std::vector<std::uint8_t> report(18, 0xEE);
    const std::vector<std::uint8_t> x{0x00, 0x80, 0x00, 0x00};
    const std::vector<std::uint8_t> y{0x00, 0x00, 0x01, 0x00};
    const std::vector<std::uint8_t> z{0x00, 0x00, 0xFF, 0xFF};
    std::copy(x.begin(), x.end(), report.begin() + 6);
    std::copy(y.begin(), y.end(), report.begin() + 10);
    std::copy(z.begin(), z.end(), report.begin() + 14);

    const auto axes = decodeSPUAxes(report);
    ASSERT_TRUE(axes);
    EXPECT_EQ(*axes, (SPUDecodedAxes{32768, 65536, -65536}));
    EXPECT_EQ(axes->xG(), 0.5);
    EXPECT_EQ(axes->yG(), 1.0);
    EXPECT_EQ(axes->zG(), -1.0);

    report.pop_back();
    EXPECT_EQ(decodeSPUAxes(report), std::nullopt);
    EXPECT_EQ(decodeSPUAxes(makeSPUReport(1, 2, 3, 64)), (SPUDecodedAxes{1, 2, 3}));
}

TEST(SPUDecodingTest, SignedHexKeepsTheMinusSignAndPreviewsShowSixteenBytes)
{
    EXPECT_EQ(formatSignedHex(-536870203), "-1ffffd3b");
    EXPECT_EQ(formatSignedHex(0), "0");
    EXPECT_EQ(formatSignedHex(0xFF00), "ff00");
    EXPECT_EQ(formatSignedHex(std::numeric_limits<std::int64_t>::min()), "-8000000000000000");

    std::vector<std::uint8_t> bytes(20);
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        bytes[index] = static_cast<std::uint8_t>(index * 17);
    }
    EXPECT_EQ(hexPreview(bytes), "00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff");
    EXPECT_EQ(hexPreview(std::span{bytes}.first(2)), "00 11");
    EXPECT_EQ(hexPreview({}), "");
}

TEST(SPUDecodingTest, InputLikeIsASubstringTestOnTheTypeText)
{
    const auto element = [](std::uint32_t type) {
        return SPUProbeElementSummary{SPUProbeElementSummary::typeText(type)};
    };
    EXPECT_EQ(SPUProbeElementSummary::typeText(257), "IOHIDElementType(rawValue: 257)");
    for (const std::uint32_t type : {1U, 2U, 3U, 129U, 257U}) {
        EXPECT_TRUE(element(type).isInputLike()) << type;
    }
    for (const std::uint32_t type : {4U, 513U}) {
        EXPECT_FALSE(element(type).isInputLike()) << type;
    }
}

TEST(SPUDecodingTest, CandidateTestsLookAtTransportAndVendorUsage3Elements)
{
    SPUProbeDeviceSummary summary;
    EXPECT_FALSE(summary.isSPUCandidate());
    summary.transport = "spu";
    EXPECT_TRUE(summary.isSPUCandidate());
    EXPECT_FALSE(summary.hasStreamLikeVendorUsage3Element());

    summary.transport = "USB";
    summary.reportElements = {{SPUProbeElementSummary::typeText(513), 0xFF00, 3, 0, 0, 0}};
    EXPECT_TRUE(summary.isSPUCandidate());
    EXPECT_FALSE(summary.hasStreamLikeVendorUsage3Element()); // a collection, and report ID 0

    summary.reportElements.push_back({SPUProbeElementSummary::typeText(1), 0xFF00, 3, 0, 8, 21});
    EXPECT_FALSE(summary.hasStreamLikeVendorUsage3Element()); // report ID 0
    summary.reportElements.push_back({SPUProbeElementSummary::typeText(257), 0xFF00, 3, 2, 8, 64});
    EXPECT_TRUE(summary.hasStreamLikeVendorUsage3Element()); // the feature type text passes as input-like
    EXPECT_EQ(summary.inputLikeElementCount(), 2);
}

} // namespace
} // namespace hollerbox::testing
