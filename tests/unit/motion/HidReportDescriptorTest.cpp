#include "motion/HidReportDescriptor.h"

#include "KnownDescriptors.h"

#include <gmock/gmock.h>
#include <random>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;
namespace type = HidElementType;

std::vector<HidElement> elementsOfType(const HidReportDescriptor& descriptor, std::uint32_t elementType)
{
    std::vector<HidElement> found;
    for (const auto& element : descriptor.elements) {
        if (element.type == elementType) {
            found.push_back(element);
        }
    }
    return found;
}

std::vector<std::uint8_t> repeat(const std::vector<std::uint8_t>& bytes, std::size_t times)
{
    std::vector<std::uint8_t> result;
    for (std::size_t index = 0; index < times; ++index) {
        result.insert(result.end(), bytes.begin(), bytes.end());
    }
    return result;
}

TEST(HidReportDescriptorTest, BootKeyboardListsModifiersPaddingLedsAndEveryKeyOfItsArray)
{
    const auto descriptor = HidReportDescriptor::parse(descriptors::bootKeyboard);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    EXPECT_THAT(descriptor.primaryUsagePage, Optional(1U));
    EXPECT_THAT(descriptor.primaryUsage, Optional(6U));
    EXPECT_FALSE(descriptor.usesReportIDs);
    EXPECT_THAT(descriptor.inputReportLengths,
                ElementsAre(std::pair<const std::uint32_t, std::size_t>{0, 8}));

    ASSERT_EQ(descriptor.elements.size(), 1U + 8 + 1 + 5 + 1 + 102);
    EXPECT_EQ(descriptor.elements[0], (HidElement{type::collection, 1, 6, 0, 0, 0}));
    EXPECT_EQ(descriptor.elements[1], (HidElement{type::inputButton, 7, 0xE0, 0, 1, 1}));
    EXPECT_EQ(descriptor.elements[8], (HidElement{type::inputButton, 7, 0xE7, 0, 1, 1}));
    EXPECT_EQ(descriptor.elements[9], (HidElement{type::inputMisc, 0, 0, 0, 8, 1}));
    EXPECT_EQ(descriptor.elements[10], (HidElement{type::output, 8, 1, 0, 1, 1}));
    EXPECT_EQ(descriptor.elements[14], (HidElement{type::output, 8, 5, 0, 1, 1}));
    EXPECT_EQ(descriptor.elements[15], (HidElement{type::output, 0, 0, 0, 3, 1}));
    EXPECT_EQ(descriptor.elements[16], (HidElement{type::inputButton, 7, 0x00, 0, 8, 1}));
    EXPECT_EQ(descriptor.elements.back(), (HidElement{type::inputButton, 7, 0x65, 0, 8, 1}));
    EXPECT_EQ(elementsOfType(descriptor, type::output).size(), 6U);
}

TEST(HidReportDescriptorTest, WheelMouseHasButtonsAndRelativeAxesInItsNumberedReport)
{
    const auto descriptor = HidReportDescriptor::parse(descriptors::wheelMouse);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    EXPECT_THAT(descriptor.primaryUsagePage, Optional(1U));
    EXPECT_THAT(descriptor.primaryUsage, Optional(2U));
    EXPECT_TRUE(descriptor.usesReportIDs);
    // 16 button bits, two 12-bit axes, wheel and pan bytes, plus the report ID byte.
    EXPECT_THAT(descriptor.inputReportLengths,
                ElementsAre(std::pair<const std::uint32_t, std::size_t>{2, 8}));

    ASSERT_EQ(descriptor.elements.size(), 2U + 16 + 4);
    // The application collection opens before the report ID is declared.
    EXPECT_EQ(descriptor.elements[0], (HidElement{type::collection, 1, 2, 0, 0, 0}));
    EXPECT_EQ(descriptor.elements[1], (HidElement{type::collection, 1, 1, 2, 0, 0}));
    EXPECT_EQ(descriptor.elements[2], (HidElement{type::inputButton, 9, 1, 2, 1, 1}));
    EXPECT_EQ(descriptor.elements[17], (HidElement{type::inputButton, 9, 16, 2, 1, 1}));
    EXPECT_THAT(elementsOfType(descriptor, type::inputAxis),
                ElementsAre(HidElement{type::inputAxis, 1, 0x30, 2, 12, 1},
                            HidElement{type::inputAxis, 1, 0x31, 2, 12, 1},
                            HidElement{type::inputAxis, 1, 0x38, 2, 8, 1},
                            HidElement{type::inputAxis, 0x0C, 0x238, 2, 8, 1}));
}

TEST(HidReportDescriptorTest, SensorHubAccelerometerHasFeaturesStateArrayAndSignedAxes)
{
    const auto descriptor = HidReportDescriptor::parse(descriptors::sensorHubAccelerometer);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    EXPECT_THAT(descriptor.primaryUsagePage, Optional(0x20U));
    EXPECT_THAT(descriptor.primaryUsage, Optional(0x01U));
    EXPECT_THAT(descriptor.inputReportLengths,
                ElementsAre(std::pair<const std::uint32_t, std::size_t>{1, 8}));

    ASSERT_EQ(descriptor.elements.size(), 25U);
    EXPECT_EQ(descriptor.elements[1], (HidElement{type::collection, 0x20, 0x73, 0, 0, 0}));
    EXPECT_EQ(descriptor.elements[2], (HidElement{type::collection, 0x20, 0x309, 1, 0, 0}));
    EXPECT_EQ(descriptor.elements[3], (HidElement{type::feature, 0x20, 0x830, 1, 8, 1}));
    EXPECT_EQ(descriptor.elements[13], (HidElement{type::feature, 0x20, 0x30E, 1, 32, 1}));
    EXPECT_EQ(elementsOfType(descriptor, type::feature).size(), 10U);
    EXPECT_EQ(elementsOfType(descriptor, type::inputButton).size(), 7U);
    EXPECT_THAT(elementsOfType(descriptor, type::inputMisc),
                ElementsAre(HidElement{type::inputMisc, 0x20, 0x453, 1, 16, 1},
                            HidElement{type::inputMisc, 0x20, 0x454, 1, 16, 1},
                            HidElement{type::inputMisc, 0x20, 0x455, 1, 16, 1}));
}

TEST(HidReportDescriptorTest, VendorAccelerometerListsOneElementPerUsageWithTheWholeCount)
{
    const auto descriptor = HidReportDescriptor::parse(descriptors::vendorAccelerometer);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    EXPECT_THAT(descriptor.primaryUsagePage, Optional(0xFF00U));
    EXPECT_THAT(descriptor.primaryUsage, Optional(3U));
    EXPECT_THAT(descriptor.elements, ElementsAre(HidElement{type::collection, 0xFF00, 3, 0, 0, 0},
                                                 HidElement{type::inputMisc, 0xFF00, 3, 1, 8, 21},
                                                 HidElement{type::feature, 0xFF00, 4, 2, 8, 100}));
    EXPECT_THAT(descriptor.inputReportLengths,
                ElementsAre(std::pair<const std::uint32_t, std::size_t>{1, 22}));

    const std::vector<std::uint8_t> inputReport(22, 0x01);
    const std::vector<std::uint8_t> featureReport(101, 0x02);
    EXPECT_THAT(descriptor.inputReportLength(inputReport), Optional(22U));
    EXPECT_EQ(descriptor.inputReportLength(featureReport), std::nullopt);
    EXPECT_EQ(descriptor.inputReportLength({}), std::nullopt);
    // Without report IDs every report has the one length, whatever its first byte.
    EXPECT_THAT(HidReportDescriptor::parse(descriptors::bootKeyboard).inputReportLength(featureReport),
                Optional(8U));
}

TEST(HidReportDescriptorTest, ExtendedUsagesCarryTheirOwnPageAndFieldsBeyondTheUsagesShareTheLast)
{
    const std::vector<std::uint8_t> bytes{
        0x05, 0x01, 0x0B, 0x03, 0x00, 0x00, 0xFF, 0xA1, 0x01, // Usage 0xFF00:0003 (extended), application
        0x0B, 0x30, 0x00, 0x01, 0x00, 0x09, 0x31,             // X on page 1 (extended), Y on the global page
        0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0xC0,             // four fields for two usages
    };
    const auto descriptor = HidReportDescriptor::parse(bytes);
    EXPECT_THAT(descriptor.primaryUsagePage, Optional(0xFF00U));
    EXPECT_THAT(descriptor.elements, ElementsAre(HidElement{type::collection, 0xFF00, 3, 0, 0, 0},
                                                 HidElement{type::inputAxis, 1, 0x30, 0, 8, 1},
                                                 HidElement{type::inputAxis, 1, 0x31, 0, 8, 3}));
}

TEST(HidReportDescriptorTest, PushAndPopRestoreTheGlobalState)
{
    const std::vector<std::uint8_t> bytes{
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0xA4, // push page 0xFF00, 8x2
        0x05, 0x09, 0x75, 0x01, 0x95, 0x01, 0x09, 0x01, 0x81, 0x02,             // one button
        0xB4, 0x09, 0x05, 0x81, 0x02, 0xC0,                                     // pop: 0xFF00 usage 5, 8x2
    };
    const auto descriptor = HidReportDescriptor::parse(bytes);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    ASSERT_EQ(descriptor.elements.size(), 3U);
    EXPECT_EQ(descriptor.elements[2], (HidElement{type::inputMisc, 0xFF00, 5, 0, 8, 2}));
    EXPECT_THAT(descriptor.inputReportLengths,
                ElementsAre(std::pair<const std::uint32_t, std::size_t>{0, 3}));
}

TEST(HidReportDescriptorTest, LongItemsAreSkippedAndReservedItemsIgnored)
{
    std::vector<std::uint8_t> bytes{0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC, 0x0C};
    bytes.insert(bytes.end(), descriptors::vendorAccelerometer.begin(),
                 descriptors::vendorAccelerometer.end());
    const auto descriptor = HidReportDescriptor::parse(bytes);
    EXPECT_EQ(descriptor.problem, std::nullopt);
    EXPECT_EQ(descriptor.elements, HidReportDescriptor::parse(descriptors::vendorAccelerometer).elements);
}

TEST(HidReportDescriptorTest, TruncatedDescriptorsKeepWhatWasParsedAndSayWhy)
{
    for (std::size_t length = 0; length < descriptors::bootKeyboard.size(); ++length) {
        const auto truncated = std::span{descriptors::bootKeyboard}.first(length);
        const auto descriptor = HidReportDescriptor::parse(truncated);
        // Only the cuts between the first items (usage page, usage) leave a well-formed descriptor.
        const bool wellFormed = length == 0 || length == 2 || length == 4;
        EXPECT_EQ(descriptor.problem.has_value(), !wellFormed) << "length " << length;
        EXPECT_LE(descriptor.elements.size(), 118U);
    }
    const std::vector<std::uint8_t> cutInsideItem{0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19};
    const auto descriptor = HidReportDescriptor::parse(cutInsideItem);
    EXPECT_EQ(descriptor.problem, "the descriptor ends inside an item");
    EXPECT_THAT(descriptor.elements, ElementsAre(HidElement{type::collection, 1, 6, 0, 0, 0}));
    EXPECT_EQ(HidReportDescriptor::parse(std::vector<std::uint8_t>{0xFE, 0x05, 0x00, 0x01}).problem,
              "the descriptor ends inside a long item");
}

TEST(HidReportDescriptorTest, AbsurdDeclarationsEndTheParse)
{
    const auto deep = HidReportDescriptor::parse(repeat({0x09, 0x01, 0xA1, 0x00}, 1000));
    EXPECT_EQ(deep.problem, "collections are nested too deep");
    EXPECT_EQ(deep.elements.size(), HidReportDescriptor::maximumCollectionDepth);

    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02}, "a report count is out of range"},
        {{0x76, 0x01, 0x01, 0x81, 0x02}, "a report size is out of range"},
        {{0x85, 0x00}, "a report ID is out of range"},
        {{0x86, 0x2C, 0x01}, "a report ID is out of range"},
        {{0xC0}, "a collection ends that was never opened"},
        {{0xB4}, "a global item pop has no matching push"},
        {repeat({0xA4}, 100), "the global item stack is nested too deep"},
        {{0x09, 0x01, 0xA1, 0x01}, "a collection is not closed"},
    };
    for (const auto& [bytes, problem] : cases) {
        EXPECT_EQ(HidReportDescriptor::parse(bytes).problem, problem);
    }
}

TEST(HidReportDescriptorTest, HugeUsageRangesAndElementCountsAreCapped)
{
    // Usage minimum 0, maximum 0xFFFFFFFF on an array of one byte.
    const auto range = HidReportDescriptor::parse(std::vector<std::uint8_t>{
        0x19, 0x00, 0x2B, 0xFF, 0xFF, 0xFF, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00});
    EXPECT_EQ(range.problem, "an item declares more usages than are listed");
    EXPECT_EQ(range.elements.size(), HidReportDescriptor::maximumUsagesPerItem);

    // Each item lists 4096 usages; five of them exceed the element limit.
    const auto many = HidReportDescriptor::parse(
        repeat({0x19, 0x00, 0x2A, 0xFF, 0x0F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00}, 5));
    EXPECT_EQ(many.problem, "the descriptor declares more elements than are listed");
    EXPECT_EQ(many.elements.size(), HidReportDescriptor::maximumElementCount);
    EXPECT_THAT(many.inputReportLengths, ElementsAre(std::pair<const std::uint32_t, std::size_t>{0, 5}));

    // 256 bits x 65535 fields is longer than any report can be: its length stays unknown.
    const auto longReport =
        HidReportDescriptor::parse(std::vector<std::uint8_t>{0x76, 0x00, 0x01, 0x96, 0xFF, 0xFF, 0x81, 0x02});
    EXPECT_EQ(longReport.problem, std::nullopt);
    EXPECT_TRUE(longReport.inputReportLengths.empty());
}

TEST(HidReportDescriptorTest, StreamReadsSplitOnlyIntoWholeReportsOfKnownLength)
{
    const auto vendor = HidReportDescriptor::parse(descriptors::vendorAccelerometer);
    std::vector<std::uint8_t> two(44, 0);
    two[0] = 1;
    two[22] = 1;
    const auto split = vendor.splitInputReports(two);
    ASSERT_EQ(split.size(), 2U);
    EXPECT_EQ(split[0].data(), two.data());
    EXPECT_EQ(split[1].data(), two.data() + 22);
    EXPECT_EQ(split[1].size(), 22U);

    // A report padded beyond its declared length, a cut report and an unknown ID stay whole.
    for (const std::size_t length : {64U, 30U, 21U}) {
        std::vector<std::uint8_t> bytes(length, 0);
        bytes[0] = 1;
        const auto whole = vendor.splitInputReports(bytes);
        ASSERT_EQ(whole.size(), 1U) << length;
        EXPECT_EQ(whole[0].size(), length);
    }
    const std::vector<std::uint8_t> unknown(44, 7);
    EXPECT_EQ(vendor.splitInputReports(unknown).size(), 1U);
    EXPECT_TRUE(vendor.splitInputReports({}).empty());

    const auto keyboard = HidReportDescriptor::parse(descriptors::bootKeyboard);
    EXPECT_EQ(keyboard.splitInputReports(std::vector<std::uint8_t>(16, 0)).size(), 2U);
    // Without a descriptor nothing is known, so nothing is split.
    EXPECT_EQ(HidReportDescriptor{}.splitInputReports(two).size(), 1U);
}

// Random bytes and randomly damaged real descriptors must never crash, hang or read out of bounds; the
// sanitizer build checks the last.
TEST(HidReportDescriptorTest, RandomAndDamagedDescriptorsStayWithinTheLimits)
{
    std::mt19937 random{20260314};
    std::uniform_int_distribution<int> byte{0, 255};
    const std::vector<const std::vector<std::uint8_t>*> known{
        &descriptors::bootKeyboard, &descriptors::wheelMouse, &descriptors::sensorHubAccelerometer,
        &descriptors::vendorAccelerometer};
    std::size_t withProblems = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes;
        if (round % 2 == 0) {
            bytes.resize(static_cast<std::size_t>(random() % 600));
            for (auto& value : bytes) {
                value = static_cast<std::uint8_t>(byte(random));
            }
        } else {
            bytes = *known[random() % known.size()];
            for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(byte(random));
            }
            bytes.resize(bytes.size() - random() % 3);
        }
        const auto descriptor = HidReportDescriptor::parse(bytes);
        ASSERT_LE(descriptor.elements.size(), HidReportDescriptor::maximumElementCount);
        for (const auto& [reportID, length] : descriptor.inputReportLengths) {
            ASSERT_LE(reportID, 255U);
            ASSERT_GE(length, 1U);
            ASSERT_LE(length, HidReportDescriptor::maximumReportLength);
        }
        withProblems += descriptor.problem ? 1 : 0;
    }
    // The generator does produce malformed input, so the paths above were exercised.
    EXPECT_GT(withProblems, 1000U);
}

} // namespace
} // namespace hollerbox::testing
