#include "TemporaryTree.h"
#include "linux/motion/EvdevDevices.h"
#include "linux/motion/IioDevices.h"

#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(LinuxAccelerometerDevicesTest, SysfsBitmapsAreHexadecimalWordsWithBitZeroInTheLast)
{
    EXPECT_TRUE(sysfsBitmapHas("40\n", 6));
    EXPECT_FALSE(sysfsBitmapHas("40", 5));
    EXPECT_TRUE(sysfsBitmapHas("1 0", 64));
    EXPECT_FALSE(sysfsBitmapHas("1 0", 0));
    EXPECT_TRUE(sysfsBitmapHas("7", 2));
    EXPECT_FALSE(sysfsBitmapHas("7", 200));
    EXPECT_FALSE(sysfsBitmapHas("zz", 0));
    EXPECT_TRUE(sysfsBitmapIsEmpty("0"));
    EXPECT_TRUE(sysfsBitmapIsEmpty("0 0 0"));
    EXPECT_TRUE(sysfsBitmapIsEmpty(""));
    EXPECT_FALSE(sysfsBitmapIsEmpty("0 1"));
    EXPECT_FALSE(sysfsBitmapIsEmpty("garbage"));
}

TEST(LinuxAccelerometerDevicesTest, EvdevAccelerometersAreMarkedOnesOrThreeAxesWithoutKeysButNoGamepads)
{
    TemporaryTree tree;
    // Three axes and no keys, but not marked.
    tree.write("class/input/event9/device/name", "Unmarked sensor\n");
    tree.write("class/input/event9/device/capabilities/abs", "7\n");
    tree.write("class/input/event9/device/capabilities/key", "0\n");
    // A touchscreen: axes and a touch key.
    tree.write("class/input/event2/device/name", "Touchscreen\n");
    tree.write("class/input/event2/device/capabilities/abs", "7\n");
    tree.write("class/input/event2/device/capabilities/key", "400 0 0 0 0 0\n");
    // Marked as an accelerometer.
    tree.write("class/input/event11/device/name", "Marked sensor\n");
    tree.write("class/input/event11/device/properties", "40\n");
    tree.write("class/input/event11/device/uevent", "PRODUCT=18/0/0/0\nNAME=\"Marked sensor\"\n");
    // Game controllers' motion sensors on USB and Bluetooth are marked too, but are not the laptop.
    tree.write("class/input/event20/device/name", "Wireless Controller Motion Sensors\n");
    tree.write("class/input/event20/device/properties", "40\n");
    tree.write("class/input/event20/device/uevent", "PRODUCT=5/54c/ce6/8100\n");
    tree.write("class/input/event21/device/name", "USB Controller Motion Sensors\n");
    tree.write("class/input/event21/device/properties", "40\n");
    tree.write("class/input/event21/device/uevent", "PRODUCT=3/54c/ce6/8111\n");
    // Garbled and unreadable capabilities count as none.
    tree.write("class/input/event4/device/capabilities/abs", "fish\n");
    tree.write("class/input/mouse0/device/properties", "40\n");

    const auto devices = listEvdevAccelerometers(tree.root().string(), "/dev");
    ASSERT_EQ(devices.size(), 2U);
    EXPECT_EQ(devices[0].name, "Marked sensor");
    EXPECT_EQ(devices[0].devicePath, "/dev/input/event11");
    EXPECT_TRUE(devices[0].markedAsAccelerometer);
    EXPECT_EQ(devices[1].name, "Unmarked sensor");
    EXPECT_FALSE(devices[1].markedAsAccelerometer);
}

TEST(LinuxAccelerometerDevicesTest, IioAccelerometersNeedThreeRawAxesAndComeDisplayFirstThenByNumber)
{
    TemporaryTree tree;
    const auto addDevice = [&](const std::string& node, const std::string& label) {
        for (const char* axis : {"x", "y", "z"}) {
            tree.write("bus/iio/devices/" + node + "/in_accel_" + axis + "_raw", "0\n");
        }
        tree.write("bus/iio/devices/" + node + "/name", node + "-name\n");
        if (!label.empty()) {
            tree.write("bus/iio/devices/" + node + "/label", label + "\n");
        }
    };
    addDevice("iio:device10", "");
    addDevice("iio:device2", "");
    addDevice("iio:device3", "accel-base");
    addDevice("iio:device7", "accel-display");
    tree.write("bus/iio/devices/iio:device1/in_accel_x_raw", "0\n"); // one axis only
    tree.write("bus/iio/devices/trigger0/name", "accel_3d-dev0\n");

    std::vector<std::string> nodes;
    for (const auto& device : listIioAccelerometers(tree.root().string(), "/dev")) {
        nodes.push_back(device.node);
    }
    EXPECT_THAT(nodes, ElementsAre("iio:device7", "iio:device2", "iio:device10", "iio:device3"));
    EXPECT_THAT(listIioAccelerometers(tree.path("missing"), "/dev"), IsEmpty());
}

} // namespace
} // namespace hollerbox::testing
