// A HID report descriptor as sysfs hands it out, then the same bytes read as a stream of its input reports.
#include "FuzzExpect.h"
#include "motion/HidReportDescriptor.h"

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes{data, size};
    const auto descriptor = HidReportDescriptor::parse(bytes);

    HOLLERBOX_FUZZ_EXPECT(descriptor.elements.size() <= HidReportDescriptor::maximumElementCount);
    HOLLERBOX_FUZZ_EXPECT(descriptor.primaryUsagePage.has_value() == descriptor.primaryUsage.has_value());
    for (const auto& element : descriptor.elements) {
        HOLLERBOX_FUZZ_EXPECT(element.reportSize <= HidReportDescriptor::maximumReportSize);
        HOLLERBOX_FUZZ_EXPECT(element.reportCount <= HidReportDescriptor::maximumReportCount);
        HOLLERBOX_FUZZ_EXPECT(element.reportID <= 0xFF);
    }
    for (const auto& [reportID, length] : descriptor.inputReportLengths) {
        HOLLERBOX_FUZZ_EXPECT(length > (descriptor.usesReportIDs ? 1U : 0U));
        HOLLERBOX_FUZZ_EXPECT(length <= HidReportDescriptor::maximumReportLength);
        HOLLERBOX_FUZZ_EXPECT(descriptor.usesReportIDs ? reportID != 0 : reportID == 0);
    }

    const auto reports = descriptor.splitInputReports(bytes);
    std::size_t offset = 0;
    for (const auto report : reports) {
        HOLLERBOX_FUZZ_EXPECT(report.data() == bytes.data() + offset && !report.empty());
        if (reports.size() > 1) {
            HOLLERBOX_FUZZ_EXPECT(descriptor.inputReportLength(report) == report.size());
        }
        offset += report.size();
    }
    HOLLERBOX_FUZZ_EXPECT(offset == bytes.size());
    return 0;
}
