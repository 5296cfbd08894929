#pragma once

#include <QProcessEnvironment>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _GError GError;

namespace hollerbox::testing {

/// Emulated hidraw (and input) devices in a private umockdev testbed: sysfs entries and device nodes from
/// recorded files under tests/data/motion, replayed report requests, and input reports the test writes or
/// streams. Programs see the devices through `childEnvironment()` (the umockdev preload library); code in the
/// test process reaches them through `sysfsRoot()` and `deviceRoot()`.
class HidrawTestbed
{
public:
    HidrawTestbed();
    virtual ~HidrawTestbed();

    HidrawTestbed(const HidrawTestbed&) = delete;
    HidrawTestbed& operator=(const HidrawTestbed&) = delete;

    /// Adds the devices of `fileName` (a umockdev device file in tests/data/motion); false on failure,
    /// with the reason in `error()`.
    /// With `replacements`, every `from` text of the file is replaced by its `to` text, so that a device can
    /// come back under new names ("hidraw0" as "hidraw1"), as after a driver reload.
    bool addDevices(const std::string& fileName,
                    const std::vector<std::pair<std::string, std::string>>& replacements = {});
    /// Replays the report requests of `fileName` (a umockdev ioctl file in tests/data/motion) on `node`.
    bool loadIoctls(const std::string& node, const std::string& fileName);
    /// Replays the evemu events of `fileName` (in tests/data/motion) to whoever opens `node`
    /// ("input/event5"), with their recorded timing.
    bool loadEvemuEvents(const std::string& node, const std::string& fileName);
    /// Takes a device away from sysfs (its node stays), as when it is unplugged during enumeration.
    void removeDevice(const std::string& sysfsPath);
    /// Removes the device node of `node` ("hidraw0"), so that opening it fails.
    void removeDeviceNode(const std::string& node);
    /// Hangs up `node` for whoever has it open, as unplugging its device does: readers find its end.
    /// umockdev cannot give the name to a new device afterwards.
    void hangUpNode(const std::string& node);

    std::string rootDirectory() const;
    std::string sysfsRoot() const { return rootDirectory() + "/sys"; }
    std::string deviceRoot() const { return rootDirectory() + "/dev"; }
    /// `base` with the preload library and the testbed directory, for a program that should see the devices.
    QProcessEnvironment
    childEnvironment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    /// Writes one input report to `node` ("hidraw0") without blocking; false when it could not be written.
    bool writeReport(const std::string& node, std::span<const std::uint8_t> report);

    /// Writes an accelerometer report of the current axes to `node` every `period` from a thread of its own.
    void startStreaming(const std::string& node,
                        std::chrono::milliseconds period = std::chrono::milliseconds{10});
    void setStreamedAxes(std::int32_t x, std::int32_t y, std::int32_t z);
    void stopStreaming();

    const std::string& error() const { return m_error; }

protected:
    UMockdevTestbed* testbed() const { return m_testbed; }
    /// `ok`; when not, false, with `what` and the reason in `error` (which it frees) as `error()`.
    bool succeeded(bool ok, const std::string& what, GError** error);
    int nodeDescriptor(const std::string& node);

private:
    UMockdevTestbed* m_testbed = nullptr;
    std::string m_error;
    std::mutex m_writeMutex;
    std::map<std::string, int> m_nodeDescriptors;
    std::thread m_streamer;
    std::atomic<bool> m_streaming{false};
    std::atomic<std::int32_t> m_x{0};
    std::atomic<std::int32_t> m_y{0};
    std::atomic<std::int32_t> m_z{65536};
};

} // namespace hollerbox::testing
