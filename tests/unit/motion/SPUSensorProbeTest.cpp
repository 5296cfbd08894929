#include "motion/SPUSensorProbe.h"

#include "MotionTestSupport.h"

#include <gmock/gmock.h>
#include <sstream>

namespace hollerbox::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream stream{text};
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

HidElement element(std::uint32_t type, std::uint32_t page, std::uint32_t usage, std::uint32_t reportID,
                   std::uint32_t count)
{
    return {type, page, usage, reportID, 8, count};
}

class SPUSensorProbeTest : public ::testing::Test
{
protected:
    /// Delivers `reports` to `device`, 10 ms apart, while the probe listens.
    void deliverWhileListening(std::shared_ptr<FakeHidDeviceState> device,
                               std::vector<std::vector<std::uint8_t>> reports)
    {
        hid.onRunEventLoop = [this, device, reports](double seconds) {
            for (const auto& report : reports) {
                clock.advance(std::chrono::milliseconds{10});
                device->deliver(report, HidReportType::input, report.empty() ? 0 : report[0]);
            }
            device->deliver(makeSPUReport(9, 9, 9), HidReportType::feature, 2); // not an input report
            clock.advance(std::chrono::microseconds{static_cast<std::int64_t>(seconds * 1e6)});
        };
    }

    VirtualClock clock;
    FakeHidAccess hid;
    SPUSensorProbe probe{hid, clock};
};

TEST_F(SPUSensorProbeTest, AFullRunIsReportedLineByLine)
{
    hid.driverServices = {"spu-driver"};
    auto state = accelerometerDevice("Apple SPU Accelerometer");
    state.reportAnswers[{HidReportType::input, 1}] = {IOReturn::success, 22, makeSPUReport(0, 0, 65536)};
    state.reportAnswers[{HidReportType::feature, 2}] = {IOReturn::error, 7, {}};
    const auto device = hid.addDevice("hidraw0", state);
    deliverWhileListening(device, {makeSPUReport(32768, 65536, -65536), makeSPUReport(1, 2, 3, 17),
                                   makeSPUReport(0, 0, 65536)});

    const SPUProbeResult result = probe.run(0.5);
    // Found both as a service and through the device list.
    const std::string candidate = R"(- Apple SPU Accelerometer
  transport: SPU
  vendorID: 1452
  productID: 33028
  usagePage: 0xff00
  usage: 0x3
  interesting elements:
    type=IOHIDElementType(rawValue: 513) reportID=0 usagePage=0xff00 usage=0x3 size=0x0
    type=IOHIDElementType(rawValue: 1) reportID=1 usagePage=0xff00 usage=0x3 size=8x21
    type=IOHIDElementType(rawValue: 257) reportID=2 usagePage=0xff00 usage=0x4 size=8x100
)";
    EXPECT_EQ(hid.eventLoopRuns, std::vector<double>{0.5});
    EXPECT_EQ(device->closeCount, 1);
    EXPECT_FALSE(device->isScheduled);
    EXPECT_EQ(result.formattedText(), R"(Apple SPU sensor probe
Effective UID: 501 (non-root)
Device count: 1
SPU candidates: 2
Sample duration: 0.5s

Hint: some Apple Silicon SPU accelerometer paths may require elevated privileges or a privileged helper.
Suggested retry: use the app build or a privileged helper to inspect SPU access on this machine.

Candidates:
)" + candidate + candidate + R"(
Selected device: Apple SPU Accelerometer
Selected source: AppleSPUHIDDevice service
Selected transport: SPU
Selected usagePage: 0xff00
Selected usage: 0x3
Open result: 0 hex=0x0
Driver wake attempts:
  SensorPropertyReportingState=1 result=0 hex=0x0
  SensorPropertyPowerState=1 result=0 hex=0x0
  ReportInterval=1000 result=0 hex=0x0

Sample count: 3
Unique report IDs: 1

Direct report attempts:
  input reportID=1 requested=64 result=0 hex=0x0 returned=22 preview=01 a1 a2 a3 a4 a5 00 00 00 00 00 00 00 00 00 00
  feature reportID=1 requested=64 result=-536870201 hex=0x-1ffffd39 returned=0 preview=none
  input reportID=2 requested=100 result=-536870201 hex=0x-1ffffd39 returned=0 preview=none
  feature reportID=2 requested=100 result=-536870212 hex=0x-1ffffd44 returned=7 preview=none

Recent decoded samples:
2026-05-28T20:26:40Z  x=32768 (0.5000g) y=65536 (1.0000g) z=-65536 (-1.0000g)
2026-05-28T20:26:40Z  x=0 (0.0000g) y=0 (0.0000g) z=65536 (1.0000g)

Recent reports:
2026-05-28T20:26:40Z  reportID=1 length=22 bytes preview=01 a1 a2 a3 a4 a5 00 80 00 00 00 00 01 00 00 00
2026-05-28T20:26:40Z  reportID=1 length=17 bytes preview=01 a1 a2 a3 a4 a5 01 00 00 00 02 00 00 00 03 00
2026-05-28T20:26:40Z  reportID=1 length=22 bytes preview=01 a1 a2 a3 a4 a5 00 00 00 00 00 00 00 00 00 00

The candidate device produced raw HID reports. The next step is decoding report structure and axis semantics.)");
    // The 17-byte report counts, but decodes to nothing.
    EXPECT_EQ(result.sampleCount, 3);
    EXPECT_EQ(result.samples[1].decodedAxes, std::nullopt);
    EXPECT_EQ(result.recentDecodedSamples.size(), 2U);
}

TEST_F(SPUSensorProbeTest, AManagerThatCannotBeOpenedEndsTheRunAtOnce)
{
    hid.deviceListResult = IOReturn::notPrivileged;
    hid.addDevice("hidraw0", accelerometerDevice("Apple SPU Accelerometer"));
    const auto result = probe.run(3);
    EXPECT_EQ(result.openIOReturn, IOReturn::notPrivileged);
    EXPECT_EQ(hid.driverSearchCount, 0);
    EXPECT_EQ(hid.deviceSearchCount, 0);
    EXPECT_EQ(result.formattedText(), R"(Apple SPU sensor probe
Effective UID: 501 (non-root)
Device count: 0
SPU candidates: 0
Sample duration: 3.0s

Hint: some Apple Silicon SPU accelerometer paths may require elevated privileges or a privileged helper.
Suggested retry: use the app build or a privileged helper to inspect SPU access on this machine.

No SPU-like HID candidate device was found.
IOHIDManager itself could not be opened, so SPU probing could not start.)");
}

TEST_F(SPUSensorProbeTest, WithoutCandidatesAsRootTheReportEndsAfterTheHint)
{
    hid.effectiveUser = 0;
    hid.driverSearchResult = IOReturn::noDevice;
    FakeHidDeviceState keyboard;
    keyboard.properties = {{"Product", std::string{"Keyboard"}}, {"Transport", std::string{"USB"}}};
    keyboard.elements = HidReportDescriptor::parse(descriptors::bootKeyboard).elements;
    hid.addDevice("hidraw1", keyboard);

    const auto result = probe.run(2);
    EXPECT_EQ(result.deviceCount, 1);
    EXPECT_EQ(result.openIOReturn, std::nullopt);
    EXPECT_THAT(result.driverWakeAttempts,
                ElementsAre(SPUDriverWakeAttempt{"IOServiceGetMatchingServices", IOReturn::noDevice,
                                                 IOReturn::noDevice}));
    EXPECT_EQ(result.formattedText(), R"(Apple SPU sensor probe
Effective UID: 0 (root)
Device count: 1
SPU candidates: 0
Sample duration: 2.0s

Hint: some Apple Silicon SPU accelerometer paths may require elevated privileges or a privileged helper.

No SPU-like HID candidate device was found.
The current machine did not expose an obvious Apple SPU HID candidate through user-space HID enumeration.)");
}

TEST_F(SPUSensorProbeTest, ADeviceThatCannotBeOpenedIsReportedWithoutListening)
{
    auto state = accelerometerDevice("Apple SPU Accelerometer");
    state.openResult = IOReturn::notPrivileged;
    hid.addDevice("hidraw0", state);
    const auto result = probe.run(1);
    EXPECT_THAT(hid.eventLoopRuns, IsEmpty());
    EXPECT_THAT(result.directReportAttempts, IsEmpty());
    const auto text = lines(result.formattedText());
    EXPECT_THAT(text, Contains("Open result: -536870207 hex=0x-1ffffd3f"));
    EXPECT_THAT(text, Contains("Unique report IDs: none"));
    EXPECT_THAT(text, Not(Contains("Driver wake attempts:")));
    EXPECT_THAT(
        std::vector(text.end() - 2, text.end()),
        ElementsAre("No input reports were captured during the watch window.",
                    "The SPU-like candidate could be enumerated but not opened for report streaming. This "
                    "may indicate a privileged path."));
}

TEST_F(SPUSensorProbeTest, CandidatesAreDeduplicatedPerSourceAndServiceCandidatesRankFirst)
{
    // Found as two services with the same summary, and through the device list.
    hid.addDevice("hidraw0", accelerometerDevice("SPU accel"), true, true);
    hid.addDevice("hidraw1", accelerometerDevice("SPU accel"), true, false);
    const auto result = probe.run(0);
    ASSERT_EQ(result.candidates.size(), 2U);
    EXPECT_EQ(result.selectedSource, "AppleSPUHIDDevice service");

    SPUProbeDeviceSummary weak;
    weak.reportElements = {{SPUProbeElementSummary::typeText(513), 0xFF00, 3, 0, 0, 0}};
    SPUProbeDeviceSummary strong;
    strong.product = "Apple SPU";
    strong.transport = "spu";
    strong.reportElements = {{SPUProbeElementSummary::typeText(1), 0xFF00, 3, 1, 8, 21}};
    EXPECT_EQ(SPUSensorProbe::candidateScore(weak, "AppleSPUHIDDevice service"), 12 + 6 + 3);
    EXPECT_EQ(SPUSensorProbe::candidateScore(weak, "IOHIDManager"), 6 + 3);
    EXPECT_EQ(SPUSensorProbe::candidateScore(strong, "IOHIDManager"), 10 + 5 + 6 + 3 + 1 + 2);
}

TEST_F(SPUSensorProbeTest, DirectPullsCoverTheFirstSixReportElementsWithClampedLengthsOnce)
{
    FakeHidDeviceState state;
    state.properties = {{"Transport", std::string{"SPU"}}};
    state.elements = std::vector<HidElement>{
        element(HidElementType::inputMisc, 0xFF00, 3, 1, 8),      // 64 after clamping, like the next
        element(HidElementType::inputMisc, 0xFF00, 5, 3, 0),      // 64
        element(HidElementType::inputMisc, 0xFF00, 4, 1, 64),     // sorted before the 8 of report 1
        element(HidElementType::collection, 1, 2, 4, 0),          // neither input-like nor vendor: skipped
        element(HidElementType::inputScanCodes, 0xFF00, 7, 4, 9), // vendor page: pulled with 64
        element(HidElementType::feature, 1, 1, 2, 10000),         // 4096
        element(HidElementType::inputMisc, 0xFF00, 3, 0, 30),     // report ID 0: skipped
        element(HidElementType::output, 0xFF00, 1, 5, 100),
        element(HidElementType::output, 0xFF00, 1, 6, 200), // the seventh: not pulled
    };
    const auto device = hid.addDevice("hidraw0", state);
    const auto result = probe.run(0);

    using Request = std::tuple<HidReportType, std::uint32_t, std::size_t>;
    const auto in = HidReportType::input;
    const auto feature = HidReportType::feature;
    EXPECT_THAT(device->reportRequests,
                ElementsAre(Request{in, 1, 64}, Request{feature, 1, 64}, Request{in, 2, 4096},
                            Request{feature, 2, 4096}, Request{in, 3, 64}, Request{feature, 3, 64},
                            Request{in, 4, 64}, Request{feature, 4, 64}, Request{in, 5, 100},
                            Request{feature, 5, 100}));
    EXPECT_EQ(result.directReportAttempts.size(), 10U);
    EXPECT_EQ(result.note,
              "The candidate device opened successfully, but neither input callbacks nor direct report "
              "pulls produced raw report payloads.");
}

TEST_F(SPUSensorProbeTest, SilentDevicesWithSuccessfulPullsGetTheirOwnConclusion)
{
    auto state = accelerometerDevice("Apple SPU Accelerometer");
    state.reportAnswers[{HidReportType::feature, 2}] = {IOReturn::success, 3, {2, 0x10, 0x27}};
    const auto device = hid.addDevice("hidraw0", state);
    const auto result = probe.run(1);
    EXPECT_EQ(result.sampleCount, 0);
    EXPECT_EQ(result.directReportAttempts.back().hexPreview, "02 10 27");
    EXPECT_EQ(result.note,
              "Input callbacks stayed silent, but direct report pulls succeeded. The next step is "
              "decoding the successful report payloads.");

    // A success that returned nothing does not count.
    device->reportAnswers[{HidReportType::feature, 2}] = {IOReturn::success, 0, {}};
    EXPECT_EQ(probe.run(1).note,
              "The candidate device opened successfully, but neither input callbacks nor direct "
              "report pulls produced raw report payloads.");
}

TEST_F(SPUSensorProbeTest, TheTextListsTheLastTwelveReportsAndTheLastEightDecodedOnes)
{
    const auto device = hid.addDevice("hidraw0", accelerometerDevice("Apple SPU Accelerometer"));
    std::vector<std::vector<std::uint8_t>> reports;
    for (std::int32_t index = 0; index < 20; ++index) {
        reports.push_back(index % 5 == 4 ? makeSPUReport(index, 0, 0, 10, 7) : makeSPUReport(index, 0, 0));
    }
    deliverWhileListening(device, reports);
    const auto result = probe.run(1);
    EXPECT_EQ(result.sampleCount, 20);
    EXPECT_EQ(result.uniqueReportIDs, (std::vector<std::int64_t>{1, 7}));

    const auto text = lines(result.formattedText());
    const auto decodedHeader = std::find(text.begin(), text.end(), "Recent decoded samples:");
    const auto reportsHeader = std::find(text.begin(), text.end(), "Recent reports:");
    ASSERT_NE(decodedHeader, text.end());
    ASSERT_NE(reportsHeader, text.end());
    // 16 of the 20 decode (every fifth is too short); the last 8 of them run from report 10 to report 18.
    const std::vector<std::string> decoded(decodedHeader + 1, decodedHeader + 9);
    EXPECT_THAT(decoded.front(), HasSubstr("  x=10 (0.0002g)"));
    EXPECT_THAT(decoded.back(), HasSubstr("  x=18 (0.0003g)"));
    EXPECT_EQ(*(decodedHeader + 9), "");
    const std::vector<std::string> listed(reportsHeader + 1, reportsHeader + 13);
    EXPECT_THAT(listed.front(), HasSubstr("reportID=1 length=22 bytes preview=01 a1 a2 a3 a4 a5 08"));
    EXPECT_THAT(listed.back(), HasSubstr("reportID=7 length=10 bytes preview=07 a1 a2 a3 a4 a5 13 00 00 00"));
    EXPECT_EQ(*(reportsHeader + 13), "");
}

TEST(SPUSensorProbeDurationTest, OnlyPlainNumbersOfSecondsUpToAnHourAreAccepted)
{
    EXPECT_EQ(SPUSensorProbe::parseDuration("3"), 3.0);
    EXPECT_EQ(SPUSensorProbe::parseDuration("0.5"), 0.5);
    EXPECT_EQ(SPUSensorProbe::parseDuration("0"), 0.0);
    EXPECT_EQ(SPUSensorProbe::parseDuration("3600"), 3600.0);
    for (const std::string_view text : {"", "abc", "-1", "3s", "nan", "inf", "1e3", "3600.5", " 3", "0x10"}) {
        EXPECT_EQ(SPUSensorProbe::parseDuration(text), std::nullopt) << text;
    }
}

} // namespace
} // namespace hollerbox::testing
