// One read of a hidraw node: its report descriptor (length as two bytes, little-endian, then the bytes; no
// descriptor when the length is 0), then the bytes read, split into reports, delivered and decoded as axes.
#include "FuzzExpect.h"
#include "linux/motion/HidDeviceHidraw.h"
#include "motion/SPUDecodedAxes.h"
#include "motion/SPUMovementMonitor.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> input{data, size};
    std::optional<HidReportDescriptor> descriptor;
    if (input.size() >= 2) {
        const std::size_t length = std::min<std::size_t>(input[0] | input[1] << 8U, input.size() - 2);
        if (length > 0) {
            descriptor = HidReportDescriptor::parse(input.subspan(2, length));
        }
        input = input.subspan(2 + length);
    }
    // The read itself sits in a buffer of its own, so that the sanitizer sees any access past its end.
    const std::vector<std::uint8_t> read(input.begin(), input.end());

    std::vector<std::uint8_t> reportBuffer(SPUMovementMonitor::reportBufferLength);
    std::size_t offset = 0;
    std::vector<std::span<const std::uint8_t>> reports;
    HidDeviceHidraw::splitReports(descriptor, read, reports);
    for (const auto bytes : reports) {
        HOLLERBOX_FUZZ_EXPECT(bytes.data() == read.data() + offset);
        offset += bytes.size();
        const auto report = HidDeviceHidraw::inputReport(descriptor, bytes, reportBuffer);
        HOLLERBOX_FUZZ_EXPECT(report.bytes.size() == std::min(bytes.size(), reportBuffer.size()));
        HOLLERBOX_FUZZ_EXPECT(std::equal(report.bytes.begin(), report.bytes.end(), bytes.begin()));
        HOLLERBOX_FUZZ_EXPECT(
            report.reportID ==
            (descriptor && descriptor->usesReportIDs && !bytes.empty() ? bytes.front() : 0U));
        if (const auto axes = decodeSPUAxes(report.bytes)) {
            std::int32_t z = 0;
            std::memcpy(&z, report.bytes.data() + 14, sizeof z);
            HOLLERBOX_FUZZ_EXPECT(axes->zRaw == z);
        } else {
            HOLLERBOX_FUZZ_EXPECT(report.bytes.size() < 18);
        }
    }
    HOLLERBOX_FUZZ_EXPECT(offset == read.size());
    return 0;
}
