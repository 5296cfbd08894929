#include "EventLoopWait.h"
#include "HidrawTestbed.h"
#include "IioTestbed.h"
#include "QtTestApplication.h"

#include <QProcess>
#include <functional>
#include <gmock/gmock.h>
#include <sstream>

namespace hollerbox::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::StartsWith;

const QString kProbe = QStringLiteral(HOLLERBOX_STAGE_DIR "/bin/HollerboxSensorProbe");
const std::string kPreparedIio = "Prepared SPU movement monitor on accel_3d source=IIO accelerometer "
                                 "transport=IIO usagePage=0x0 usage=0x0.";

struct ProgramRun
{
    bool finished = false;
    int exitCode = -1;
    std::string output;
    std::string errors;

    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::istringstream stream{output};
        for (std::string line; std::getline(stream, line);) {
            result.push_back(line);
        }
        return result;
    }
    bool endedWith(int code) const { return finished && exitCode == code; }
    std::string trace() const { return "standard output:\n" + output + "\nstandard error:\n" + errors; }
};

ProgramRun runProbe(const QStringList& arguments,
                    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(kProbe, arguments);
    ProgramRun run;
    run.finished = process.waitForFinished(30000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput().toStdString();
    run.errors = process.readAllStandardError().toStdString();
    return run;
}

/// Appends what `process` prints to `output` until it holds `text`, for ten seconds at most.
bool waitForOutput(QProcess& process, std::string& output, const std::string& text)
{
    return waitProcessingEvents(
        [&] {
            output += process.readAllStandardOutput().toStdString();
            return output.find(text) != std::string::npos;
        },
        std::chrono::seconds{10});
}

// The lines of the HID report, before the list of other accelerometers that follows it after an empty line.
std::vector<std::string> hidReport(const std::vector<std::string>& lines)
{
    const auto other = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Other accelerometers: ");
    });
    if (other == lines.end() || other == lines.begin()) {
        return lines;
    }
    return {lines.begin(), other - 1};
}

std::vector<std::string> linesAfter(const std::vector<std::string>& lines, const std::string& header)
{
    auto start = std::find(lines.begin(), lines.end(), header);
    if (start == lines.end()) {
        return {};
    }
    return {start + 1, std::find(start + 1, lines.end(), "")};
}

// An emulated evdev accelerometer (HP's lis3lv02d) from recorded ioctls and, with `events`, recorded events:
// at rest for half a second, then tilted by 0.2 g on x.
void addEvdevAccelerometer(HidrawTestbed& testbed, bool events = true)
{
    ASSERT_TRUE(testbed.addDevices("evdev-accelerometer.umockdev")) << testbed.error();
    ASSERT_TRUE(testbed.loadIoctls("input/event5", "evdev-accelerometer.ioctl")) << testbed.error();
    if (events) {
        ASSERT_TRUE(testbed.loadEvemuEvents("input/event5", "evdev-accelerometer.evemu")) << testbed.error();
    }
}

TEST(SensorProbeProgramTest, PrintsTheWholeReportForAnEmulatedAccelerometerWithItsStreamAndPulls)
{
    HidrawTestbed testbed;
    for (const char* devices :
         {"spu-accelerometer.umockdev", "usb-keyboard.umockdev", "usb-vendor-control.umockdev"}) {
        ASSERT_TRUE(testbed.addDevices(devices)) << testbed.error();
    }
    ASSERT_TRUE(testbed.loadIoctls("hidraw0", "spu-accelerometer.ioctl")) << testbed.error();
    testbed.setStreamedAxes(1638, -3277, 65536);
    testbed.startStreaming("hidraw0");

    const ProgramRun run = runProbe({"1"}, testbed.childEnvironment());
    testbed.stopStreaming();
    SCOPED_TRACE(run.trace());
    ASSERT_TRUE(run.endedWith(0));

    const auto lines = hidReport(run.lines());
    ASSERT_GE(lines.size(), 10U);
    EXPECT_EQ(lines[0], "Apple SPU sensor probe");
    EXPECT_THAT(lines[1], StartsWith("Effective UID: "));
    // The accelerometer and the vendor interface with a usage 3 element, each found both ways.
    EXPECT_THAT(std::vector(lines.begin() + 2, lines.begin() + 5),
                ElementsAre("Device count: 3", "SPU candidates: 4", "Sample duration: 1.0s"));
    for (const char* line :
         {"- Logitech USB Keyboard Vendor Control",
          "    type=IOHIDElementType(rawValue: 1) reportID=1 usagePage=0xff00 usage=0x3 size=8x21",
          "Selected device: Apple SPU Accelerometer", "Selected source: AppleSPUHIDDevice service",
          "Selected transport: Host", "Open result: 0 hex=0x0", "Unique report IDs: 1"}) {
        EXPECT_THAT(lines, Contains(line));
    }
    EXPECT_THAT(
        linesAfter(lines, "Direct report attempts:"),
        ElementsAre(
            "  input reportID=1 requested=64 result=0 hex=0x0 returned=22 preview=01 a1 a2 a3 a4 a5 00 00 "
            "00 00 00 00 00 00 00 00",
            "  feature reportID=1 requested=64 result=-536870201 hex=0x-1ffffd39 returned=0 preview=none",
            "  input reportID=2 requested=100 result=-536870201 hex=0x-1ffffd39 returned=0 preview=none",
            "  feature reportID=2 requested=100 result=0 hex=0x0 returned=100 preview=02 10 27 00 00 e8 03 "
            "00 00 00 00 00 00 00 00 00"));

    const auto count = std::find_if(lines.begin(), lines.end(),
                                    [](const auto& l) { return l.starts_with("Sample count: "); });
    ASSERT_NE(count, lines.end());
    EXPECT_GE(std::stoi(count->substr(14)), 20) << "about 100 reports were streamed during the second";
    const auto decoded = linesAfter(lines, "Recent decoded samples:");
    ASSERT_EQ(decoded.size(), 8U);
    EXPECT_THAT(decoded.back(), EndsWith("Z  x=1638 (0.0250g) y=-3277 (-0.0500g) z=65536 (1.0000g)"));
    const auto reports = linesAfter(lines, "Recent reports:");
    ASSERT_EQ(reports.size(), 12U);
    EXPECT_THAT(reports.back(),
                EndsWith("Z  reportID=1 length=22 bytes preview=01 a1 a2 a3 a4 a5 66 06 00 00 33 "
                         "f3 ff ff 00 00"));
    EXPECT_EQ(lines.back(), "The candidate device produced raw HID reports. The next step is decoding report "
                            "structure and axis semantics.");
}

TEST(SensorProbeProgramTest, SaysSoWhenNoDeviceLooksLikeTheSensor)
{
    HidrawTestbed testbed;
    ASSERT_TRUE(testbed.addDevices("usb-keyboard.umockdev")) << testbed.error();
    const ProgramRun run = runProbe({"0"}, testbed.childEnvironment());
    SCOPED_TRACE(run.trace());
    ASSERT_TRUE(run.endedWith(0));
    const auto all = run.lines();
    EXPECT_THAT(std::vector(all.end() - 2, all.end()),
                ElementsAre("Other accelerometers: 0 IIO, 0 evdev",
                            "None was found under /sys/bus/iio/devices or /sys/class/input."));
    const auto lines = hidReport(all);
    ASSERT_GE(lines.size(), 3U);
    EXPECT_EQ(lines[2], "Device count: 1");
    EXPECT_THAT(std::vector(lines.end() - 2, lines.end()),
                ElementsAre("No SPU-like HID candidate device was found.",
                            "The current machine did not expose an obvious Apple SPU HID candidate through "
                            "user-space HID enumeration."));
}

TEST(SensorProbeProgramTest, RejectsADurationThatIsNotANumberOfSeconds)
{
    const ProgramRun run = runProbe({"soon"});
    ASSERT_TRUE(run.endedWith(2));
    EXPECT_THAT(run.errors,
                StartsWith("HollerboxSensorProbe: \"soon\" is not a number of seconds from 0 to 3600.\n"
                           "Usage: HollerboxSensorProbe [seconds]\n"));
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(runProbe({"1", "2"}).exitCode, 2);
    const ProgramRun help = runProbe({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.output, StartsWith("Usage: HollerboxSensorProbe [seconds]\n"
                                        "       HollerboxSensorProbe --live [seconds]\n"));
    EXPECT_EQ(runProbe({"--live", "--live"}).exitCode, 2);
}

TEST(SensorProbeProgramTest, LiveReadingsFollowAnEmulatedIioAccelerometerOnceASecond)
{
    IioTestbed testbed;
    ASSERT_TRUE(testbed.addAccelerometer({.location = "lid"})) << testbed.error();
    testbed.setAcceleration({0, 0, 1});
    ensureCoreApplication();
    QProcess process;
    process.setProcessEnvironment(testbed.childEnvironment());
    process.start(kProbe, {"--live", "3"});
    ProgramRun run;
    ASSERT_TRUE(waitForOutput(process, run.output, "t=1s ")) << run.output;
    testbed.setAcceleration({0.1, 0, 0.995});
    run.finished = process.waitForFinished(10000);
    run.exitCode = process.exitCode();
    run.output += process.readAllStandardOutput().toStdString();
    run.errors = process.readAllStandardError().toStdString();
    ASSERT_TRUE(run.endedWith(0)) << run.trace();
    EXPECT_THAT(run.lines(),
                ElementsAre(kPreparedIio,
                            "Live readings from accel_3d (IIO accelerometer), one line per second:",
                            "t=1s x=0.0000g y=0.0000g z=1.0000g delta=0.0000g",
                            "t=2s x=0.1000g y=0.0000g z=0.9950g delta=0.1001g",
                            "t=3s x=0.1000g y=0.0000g z=0.9950g delta=0.1001g"));
}

TEST(SensorProbeProgramTest, LiveReadingsComeFromTheOnlyAccelerometerOrSayWhatWasLookedFor)
{
    const std::string evdevLines[] = {
        "Evdev accelerometer ST LIS3LV02DL Accelerometer (/dev/input/event5) states no axis resolution, so "
        "its "
        "axis range is taken as ±2 g.",
        "Prepared SPU movement monitor on ST LIS3LV02DL Accelerometer source=evdev accelerometer "
        "transport=evdev usagePage=0x0 usage=0x0.",
        "Live readings from ST LIS3LV02DL Accelerometer (evdev accelerometer), one line per second:"};
    const struct
    {
        const char* name;
        std::function<void(HidrawTestbed&)> arrange;
        const char* seconds;
        int exitCode;
        std::vector<std::string> lines;
    } rows[] = {
        {"evdev, tilted after half a second",
         [](HidrawTestbed& testbed) { addEvdevAccelerometer(testbed); },
         "2",
         0,
         {evdevLines[0], evdevLines[1], evdevLines[2], "t=1s x=0.2000g y=0.0000g z=1.0000g delta=0.2000g",
          "t=2s x=0.2000g y=0.0000g z=1.0000g delta=0.2000g"}},
        // A sensor lying still may send no event at all: its state when bound must still count as a reading.
        {"evdev at rest without any event",
         [](HidrawTestbed& testbed) { addEvdevAccelerometer(testbed, false); },
         "1",
         0,
         {evdevLines[0], evdevLines[1], evdevLines[2], "t=1s x=0.0000g y=0.0000g z=1.0000g delta=0.0000g"}},
        {"none at all",
         [](HidrawTestbed& testbed) { ASSERT_TRUE(testbed.addDevices("usb-keyboard.umockdev")); },
         "1",
         1,
         {"No AppleSPUHIDDevice accelerometer candidate was available for SPU movement monitoring.",
          "Also looked for IIO accelerometers under /sys/bus/iio/devices and evdev accelerometers under "
          "/dev/input; none could be used."}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HidrawTestbed testbed;
        row.arrange(testbed);
        const ProgramRun run = runProbe({"--live", row.seconds}, testbed.childEnvironment());
        SCOPED_TRACE(run.trace());
        EXPECT_TRUE(run.endedWith(row.exitCode));
        EXPECT_THAT(run.lines(), ElementsAreArray(row.lines));
    }
}

TEST(SensorProbeProgramTest, AMachineWithBothKindsUsesIioAndTheReportListsBoth)
{
    IioTestbed testbed;
    ASSERT_TRUE(testbed.addAccelerometer({.buffered = true})) << testbed.error();
    testbed.setAcceleration({0, 0, 1});
    addEvdevAccelerometer(testbed);

    // Live until interrupted: the buffer the probe enabled is switched off again on the way out.
    ensureCoreApplication();
    QProcess live;
    live.setProcessEnvironment(testbed.childEnvironment());
    live.start(kProbe, {"--live"});
    ProgramRun run;
    ASSERT_TRUE(waitForOutput(live, run.output, "one line per second:")) << run.output;
    // The raw attributes say 1 g on z; the buffer says otherwise.
    ASSERT_TRUE(testbed.writeToBuffer(IioTestbed::scanOf(testbed.rawFor({0.25, 0, 1}))));
    ASSERT_TRUE(waitForOutput(live, run.output, "t=1s ")) << run.output;
    EXPECT_EQ(testbed.attribute("buffer/enable"), "1");
    live.terminate();
    ASSERT_TRUE(live.waitForFinished(10000));
    EXPECT_EQ(live.exitCode(), 0);
    EXPECT_THAT(run.lines(),
                ElementsAre(kPreparedIio,
                            "Live readings from accel_3d (IIO accelerometer), one line per second:",
                            "t=1s x=0.2500g y=0.0000g z=1.0000g delta=0.0000g"));
    EXPECT_EQ(testbed.attribute("buffer/enable"), "0") << "the buffer is left as it was found";

    const ProgramRun report = runProbe({"0"}, testbed.childEnvironment());
    ASSERT_TRUE(report.finished);
    const auto reportLines = report.lines();
    const auto other =
        std::find(reportLines.begin(), reportLines.end(),
                  "Other accelerometers: 1 IIO, 1 evdev (listed in the order the alarm tries them)");
    ASSERT_NE(other, reportLines.end()) << report.output;
    EXPECT_THAT(std::vector(other + 1, reportLines.end()),
                ElementsAre("- IIO accelerometer accel_3d (iio:device0)",
                            "  directory: /sys/bus/iio/devices/iio:device0", "  placement: unknown",
                            "  scale (m/s^2 per count): x=0.009806650 y=0.009806650 z=0.009806650",
                            "  offset: x=0.000 y=0.000 z=0.000", "  mount matrix: none",
                            "  raw attributes: can be opened", "  buffer /dev/iio:device0: can be opened",
                            "- evdev accelerometer ST LIS3LV02DL Accelerometer (/dev/input/event5)",
                            "  marked as accelerometer: yes", "  device node: can be opened"));
}

} // namespace
} // namespace hollerbox::testing
