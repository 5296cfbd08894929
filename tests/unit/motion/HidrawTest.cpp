#include "EventLoopWait.h"
#include "KnownDescriptors.h"
#include "QtTestApplication.h"
#include "TemporaryTree.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/HidDeviceHidraw.h"
#include "linux/motion/HidrawErrors.h"
#include "linux/support/FileDescriptor.h"
#include "motion/IOReturn.h"
#include "motion/SPUDeviceQueries.h"
#include "motion/SPUReportBuilder.h"

#include <QTimer>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <unistd.h>

namespace hollerbox::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::VariantWith;

/// A sysfs and /dev tree of hidraw nodes; nodes are FIFOs the test writes to.
class HidrawTree : public TemporaryTree
{
public:
    HidrawTree() { fs::create_directories(path("sys/class/hidraw")); }

    /// Adds node `name` of HID device `hidDevice`; empty texts leave the file out.
    void addNode(const std::string& name, const std::string& hidDevice, const std::string& uevent,
                 const std::vector<std::uint8_t>& descriptor, bool withDeviceLink = true)
    {
        const std::string device = "sys/devices/platform/spu/" + hidDevice;
        fs::create_directories(path(device + "/hidraw/" + name));
        if (!uevent.empty()) {
            write(device + "/uevent", uevent);
        }
        if (!descriptor.empty()) {
            write(device + "/report_descriptor", std::string{descriptor.begin(), descriptor.end()});
        }
        if (withDeviceLink) {
            link("../../../" + hidDevice, device + "/hidraw/" + name + "/device");
        }
        link("../../devices/platform/spu/" + hidDevice + "/hidraw/" + name, "sys/class/hidraw/" + name);
        fifo("dev/" + name);
    }

    HidAccessHidraw::Locations locations() const { return {path("sys").string(), path("dev").string()}; }
    fs::path node(const std::string& name) const { return path("dev/" + name); }
};

const std::string kAccelerometerUevent =
    "DRIVER=hid-generic\nHID_ID=0019:000005AC:00008104\n"
    "HID_NAME=Apple SPU Accelerometer\nHID_PHYS=spu\nMODALIAS=hid:b0019\n";

class HidrawTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureCoreApplication(); }

    /// Opens node `name` and a writer to it, and starts delivering into `buffer`.
    /// The node opened as a device, with `writer` as its other end.
    std::unique_ptr<HidDeviceHidraw> openWithWriter(const std::string& name)
    {
        auto device = access.createHidrawDevice(name);
        EXPECT_TRUE(device);
        if (!device) {
            return nullptr;
        }
        EXPECT_EQ(device->open(), IOReturn::success);
        writer.reset(::open(tree.node(name).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        EXPECT_TRUE(writer.isValid());
        return device;
    }

    std::unique_ptr<HidDeviceHidraw> openStreaming(const std::string& name, std::span<std::uint8_t> buffer)
    {
        auto device = openWithWriter(name);
        if (!device) {
            return nullptr;
        }
        device->scheduleInputReports(buffer, [this](const HidInputReport& report) {
            results.push_back(report.result);
            reports.emplace_back(report.reportID,
                                 std::vector<std::uint8_t>(report.bytes.begin(), report.bytes.end()));
        });
        return device;
    }

    void write(const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_EQ(::write(writer.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    HidrawTree tree;
    HidAccessHidraw access{tree.locations()};
    FileDescriptor writer;
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> reports;
    std::vector<std::int32_t> results;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096);
};

TEST_F(HidrawTest, NodesAreListedInNumberOrderWithIdentityTransportAndDescriptor)
{
    tree.addNode("hidraw10", "0003:046D:C52B.0003", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Receiver\n",
                 descriptors::bootKeyboard, false);
    tree.addNode("hidraw2", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    fs::create_directory(tree.root() / "sys/class/hidraw/hidrawX");
    fs::create_directory(tree.root() / "sys/class/hidraw/other");

    const auto search = access.matchingServices("AppleSPUHIDDevice");
    EXPECT_EQ(search.result, IOReturn::success);
    EXPECT_THAT(search.services, ElementsAre("hidraw2", "hidraw10"));

    const auto accelerometer = access.createDevice("hidraw2");
    ASSERT_TRUE(accelerometer);
    const auto summary = SPUDeviceQueries::makeSPUSummary(*accelerometer);
    EXPECT_EQ(summary.product, "Apple SPU Accelerometer");
    EXPECT_EQ(summary.vendorID, 0x05AC);
    EXPECT_EQ(summary.productID, 0x8104);
    EXPECT_EQ(summary.transport, "Host");
    EXPECT_EQ(summary.usagePage, 0xFF00);
    EXPECT_EQ(summary.usage, 3);
    EXPECT_EQ(accelerometer->elements(),
              HidReportDescriptor::parse(descriptors::vendorAccelerometer).elements);
    EXPECT_TRUE(summary.hasStreamLikeVendorUsage3Element());

    // Found through the two-levels-up path, without a device link.
    const auto receiver = access.createDevice("hidraw10");
    ASSERT_TRUE(receiver);
    EXPECT_THAT(receiver->property("Product"), Optional(VariantWith<std::string>("Receiver")));
    EXPECT_THAT(receiver->property("Transport"), Optional(VariantWith<std::string>("USB")));
    EXPECT_THAT(receiver->property("PrimaryUsage"), Optional(VariantWith<std::int64_t>(6)));

    const auto all = access.copyAllDevices();
    EXPECT_EQ(all.result, IOReturn::success);
    EXPECT_EQ(all.devices.size(), 2U);
}

TEST_F(HidrawTest, MissingOrMalformedSysfsDataLeavesPropertiesOut)
{
    tree.addNode("hidraw0", "0099:0001:0002.0001", "HID_ID=0099:00000001:00000002\n", {});
    tree.addNode("hidraw1", "0003:zz:0002.0002", "HID_ID=0003:zz:00000002\nHID_NAME=\n",
                 descriptors::wheelMouse);
    tree.addNode("hidraw2", "0003:0001:0003.0003", "", std::vector<std::uint8_t>{0xA1});

    const auto unknownBus = access.createDevice("hidraw0");
    ASSERT_TRUE(unknownBus);
    EXPECT_EQ(unknownBus->property("Transport"), std::nullopt);
    EXPECT_THAT(unknownBus->property("VendorID"), Optional(VariantWith<std::int64_t>(1)));
    EXPECT_EQ(unknownBus->elements(), std::nullopt);
    EXPECT_EQ(unknownBus->property("PrimaryUsagePage"), std::nullopt);

    const auto badID = access.createDevice("hidraw1");
    ASSERT_TRUE(badID);
    EXPECT_EQ(badID->property("VendorID"), std::nullopt);
    EXPECT_THAT(badID->property("Product"), Optional(VariantWith<std::string>("")));

    const auto truncated = access.createDevice("hidraw2");
    ASSERT_TRUE(truncated);
    const auto summary = SPUDeviceQueries::makeSPUSummary(*truncated);
    EXPECT_EQ(summary.product, "Unknown HID Device");
    EXPECT_EQ(summary.transport, "unknown");
    EXPECT_THAT(truncated->elements(), Optional(IsEmpty()));
}

TEST_F(HidrawTest, WithoutAHidrawClassThereAreNoDevicesAndThereAreNeverDriverServices)
{
    fs::remove_all(tree.root() / "sys/class");
    EXPECT_EQ(access.matchingServices("AppleSPUHIDDevice").result, IOReturn::success);
    EXPECT_THAT(access.matchingServices("AppleSPUHIDDevice").services, IsEmpty());
    const auto all = access.copyAllDevices();
    EXPECT_EQ(all.result, IOReturn::success);
    EXPECT_THAT(all.devices, IsEmpty());

    EXPECT_THAT(access.matchingServices("AppleSPUHIDDriver").services, IsEmpty());
    EXPECT_EQ(access.setServiceProperty("anything", "ReportInterval", 1000), IOReturn::unsupported);
    EXPECT_EQ(access.createDevice("hidraw7"), nullptr);
    EXPECT_EQ(access.createDevice("../../etc"), nullptr);
    EXPECT_EQ(access.createDevice("hidraw1/../../x"), nullptr);
}

TEST_F(HidrawTest, OpenFailuresBecomeTheCodesTheOriginalPlatformGives)
{
    tree.addNode("hidraw0", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    fs::remove(tree.node("hidraw0"));
    const auto device = access.createDevice("hidraw0");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->open(), -536870208); // kIOReturnNoDevice
    EXPECT_EQ(device->lastError(), "No such file or directory");
    EXPECT_THAT(device->property("DevicePath"),
                Optional(VariantWith<std::string>(tree.node("hidraw0").string())));
    EXPECT_EQ(device->getReport(HidReportType::feature, 1, 64).result, IOReturn::notOpen);

    EXPECT_EQ(ioReturnForOpenError(EBUSY), -536870203);
    EXPECT_EQ(ioReturnForOpenError(EACCES), -536870207);
    EXPECT_EQ(ioReturnForOpenError(EPERM), -536870207);
    EXPECT_EQ(ioReturnForOpenError(ENOENT), -536870208);
    EXPECT_EQ(ioReturnForOpenError(ENODEV), -536870208);
    EXPECT_EQ(ioReturnForOpenError(EINVAL), -536870212);
    EXPECT_EQ(ioReturnForOpenError(ENXIO), -536870212);
    EXPECT_EQ(ioReturnForRequestError(ENOTTY), IOReturn::unsupported);
    EXPECT_EQ(ioReturnForRequestError(EPIPE), IOReturn::unsupported);
    EXPECT_EQ(ioReturnForRequestError(EACCES), IOReturn::notPrivileged);
}

TEST_F(HidrawTest, ReadsHoldingSeveralReportsAreSplitAndNumberedReportsKeepTheirIDByte)
{
    tree.addNode("hidraw0", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    const auto device = openStreaming("hidraw0", buffer);
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->isReading());

    auto two = makeSPUReport(1, 2, 3);
    const auto second = makeSPUReport(4, 5, 6);
    two.insert(two.end(), second.begin(), second.end());
    write(two);
    ASSERT_TRUE(waitProcessingEvents([&] { return reports.size() == 2; }));
    EXPECT_EQ(reports[0], std::make_pair(1U, makeSPUReport(1, 2, 3)));
    EXPECT_EQ(reports[1], std::make_pair(1U, makeSPUReport(4, 5, 6)));

    // Padded beyond the declared length: one report, delivered whole.
    write(makeSPUReport(7, 8, 9, 64));
    ASSERT_TRUE(waitProcessingEvents([&] { return reports.size() == 3; }));
    EXPECT_EQ(reports[2].second.size(), 64U);

    // Unscheduled: nothing is delivered; scheduled again, the waiting report arrives.
    device->unscheduleInputReports();
    write(makeSPUReport(1, 1, 1));
    processEventsFor(std::chrono::milliseconds{150}); // several times the reader's batching interval
    EXPECT_EQ(reports.size(), 3U);
    device->scheduleInputReports(buffer, [this](const HidInputReport& report) {
        reports.emplace_back(report.reportID,
                             std::vector<std::uint8_t>(report.bytes.begin(), report.bytes.end()));
    });
    ASSERT_TRUE(waitProcessingEvents([&] { return reports.size() == 4; }));
}

TEST_F(HidrawTest, AReaderThatFallsQuietAfterABatchIsWokenAgainByTheNextReport)
{
    tree.addNode("hidraw0", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    auto device = openWithWriter("hidraw0");
    ASSERT_TRUE(device);
    int received = 0;
    device->scheduleInputReports(buffer, [&](const HidInputReport&) {
        if (++received == 1) {
            // Right after this read: the reader wakes again within its batch interval.
            QTimer::singleShot(0, [this] { write(makeSPUReport(2, 2, 2)); });
        }
    });
    write(makeSPUReport(1, 1, 1));
    ASSERT_TRUE(waitProcessingEvents([&] { return received == 2; }));
    processEventsFor(std::chrono::milliseconds{150}); // the batch finds nothing more
    write(makeSPUReport(3, 3, 3));
    EXPECT_TRUE(waitProcessingEvents([&] { return received == 3; }));
}

TEST_F(HidrawTest, ReportsWithoutIDsHaveReportIDZeroAndLongReportsAreCutToTheBuffer)
{
    tree.addNode("hidraw0", "0003:046D:C31C.0001", "HID_ID=0003:0000046D:0000C31C\n",
                 descriptors::bootKeyboard);
    std::vector<std::uint8_t> small(5);
    const auto device = openStreaming("hidraw0", small);
    ASSERT_TRUE(device);
    write({9, 0, 4, 5, 6, 7, 8, 9});
    ASSERT_TRUE(waitProcessingEvents([&] { return reports.size() == 1; }));
    EXPECT_EQ(reports[0], std::make_pair(0U, std::vector<std::uint8_t>{9, 0, 4, 5, 6}));
}

TEST_F(HidrawTest, ANodeThatGoesAwayEndsTheDeliveryWithOneFailedReportAndTheDeviceCanStillClose)
{
    tree.addNode("hidraw0", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    const auto device = openStreaming("hidraw0", buffer);
    ASSERT_TRUE(device);
    write(makeSPUReport(1, 2, 3));
    writer.reset();
    ASSERT_TRUE(waitProcessingEvents([&] { return !device->isReading(); }));
    processEventsFor(std::chrono::milliseconds{20});
    EXPECT_THAT(results, ElementsAre(IOReturn::success, IOReturn::noDevice));
    EXPECT_THAT(reports.back().second, IsEmpty());
    EXPECT_EQ(device->lastError(), "the node came to its end");
    // A request to a node that is no hidraw device fails as unsupported.
    const auto request = device->getReport(HidReportType::input, 1, 64);
    EXPECT_EQ(request.result, IOReturn::unsupported);
    EXPECT_EQ(request.returnedLength, 0U);
    EXPECT_EQ(device->getReport(HidReportType::input, 1, 0).result, IOReturn::badArgument);
    device->close();
    EXPECT_EQ(device->getReport(HidReportType::input, 1, 64).result, IOReturn::notOpen);
}

TEST_F(HidrawTest, ACallbackMayCloseOrDestroyTheDeviceMidRead)
{
    tree.addNode("hidraw0", "0019:05AC:8104.0001", kAccelerometerUevent, descriptors::vendorAccelerometer);
    auto device = openWithWriter("hidraw0");
    ASSERT_TRUE(device);
    int calls = 0;
    device->scheduleInputReports(buffer, [&](const HidInputReport&) {
        ++calls;
        device.reset();
    });
    auto reportsBytes = makeSPUReport(1, 2, 3);
    const auto more = makeSPUReport(4, 5, 6);
    reportsBytes.insert(reportsBytes.end(), more.begin(), more.end());
    write(reportsBytes);
    ASSERT_TRUE(waitProcessingEvents([&] { return calls > 0; }));
    processEventsFor(std::chrono::milliseconds{50});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(device, nullptr);

    auto closing = access.createHidrawDevice("hidraw0");
    ASSERT_EQ(closing->open(), IOReturn::success);
    closing->scheduleInputReports(buffer, [&](const HidInputReport&) {
        ++calls;
        closing->close();
    });
    write(reportsBytes);
    ASSERT_TRUE(waitProcessingEvents([&] { return calls > 1; }));
    processEventsFor(std::chrono::milliseconds{50});
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(closing->isReading());
}

} // namespace
} // namespace hollerbox::testing
