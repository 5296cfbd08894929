#include "HidAccessHidraw.h"

#include "HidBusTransport.h"
#include "HidDeviceHidraw.h"
#include "HidrawErrors.h"
#include "SysfsFiles.h"
#include "motion/IOReturn.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <limits>
#include <memory>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr std::string_view kDeviceClass = "AppleSPUHIDDevice";
constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::size_t kLongestDescriptor = 65536;

std::optional<std::uint32_t> hexNumber(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// HID_ID is "BBBB:VVVVVVVV:PPPPPPPP" in hexadecimal: bus, vendor, product.
void addIdentity(std::string_view hidID, std::map<std::string, HidPropertyValue, std::less<>>& properties)
{
    const std::size_t first = hidID.find(':');
    const std::size_t second = first == std::string_view::npos ? first : hidID.find(':', first + 1);
    if (second == std::string_view::npos) {
        return;
    }
    const auto bus = hexNumber(hidID.substr(0, first));
    const auto vendor = hexNumber(hidID.substr(first + 1, second - first - 1));
    const auto product = hexNumber(hidID.substr(second + 1));
    if (!bus || !vendor || !product) {
        return;
    }
    properties.emplace("VendorID", std::int64_t{*vendor});
    properties.emplace("ProductID", std::int64_t{*product});
    if (auto transport = transportForBus(*bus)) {
        properties.emplace("Transport", std::move(*transport));
    }
}

std::optional<std::string> realPath(const std::string& path)
{
    const auto release = [](char* text) { std::free(text); };
    std::unique_ptr<char, decltype(release)> resolved{::realpath(path.c_str(), nullptr), release};
    if (!resolved) {
        return std::nullopt;
    }
    return std::string{resolved.get()};
}

} // namespace

HidServiceSearch HidAccessHidraw::listNodes() const
{
    const auto listed = SysfsFiles::numberedEntries(m_locations.sysfsRoot + "/class/hidraw", kNodePrefix);
    if (!listed) {
        // No hidraw class at all means no HID devices, not a failure.
        return {errno == ENOENT || errno == ENOTDIR ? IOReturn::success : ioReturnForOpenError(errno), {}};
    }
    const auto& nodes = *listed;
    HidServiceSearch search;
    for (auto& node : nodes) {
        search.services.push_back(std::move(node.second));
    }
    return search;
}

HidServiceSearch HidAccessHidraw::matchingServices(std::string_view className)
{
    if (className != kDeviceClass) {
        return {}; // no sensor driver services exist on Linux
    }
    return listNodes();
}

std::int32_t HidAccessHidraw::setServiceProperty(const std::string&, std::string_view, std::int32_t)
{
    return IOReturn::unsupported;
}

std::unique_ptr<HidDeviceHidraw> HidAccessHidraw::createHidrawDevice(const std::string& service) const
{
    if (!SysfsFiles::numberAfter(service, kNodePrefix)) {
        return nullptr;
    }
    const auto nodeDirectory = realPath(m_locations.sysfsRoot + "/class/hidraw/" + service);
    if (!nodeDirectory) {
        return nullptr;
    }
    // The HID device is the node's "device" link, or two levels up (<hid device>/hidraw/hidrawN).
    const std::string hidDevice = realPath(*nodeDirectory + "/device").value_or(*nodeDirectory + "/../..");

    HidDeviceHidraw::Description description;
    description.nodePath = m_locations.deviceRoot + "/" + service;
    description.properties.emplace("DevicePath", description.nodePath);
    if (const auto uevent = SysfsFiles::read(hidDevice + "/uevent")) {
        const auto values = SysfsFiles::parseUevent(*uevent);
        if (const auto name = values.find("HID_NAME"); name != values.end()) {
            description.properties.emplace("Product", name->second);
        }
        if (const auto id = values.find("HID_ID"); id != values.end()) {
            addIdentity(id->second, description.properties);
        }
    }
    if (const auto bytes = SysfsFiles::read(hidDevice + "/report_descriptor", kLongestDescriptor)) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
        description.descriptor = HidReportDescriptor::parse({data, bytes->size()});
        if (description.descriptor->primaryUsagePage) {
            description.properties.emplace("PrimaryUsagePage",
                                           std::int64_t{*description.descriptor->primaryUsagePage});
            description.properties.emplace("PrimaryUsage",
                                           std::int64_t{*description.descriptor->primaryUsage});
        }
    }
    return std::make_unique<HidDeviceHidraw>(std::move(description));
}

std::unique_ptr<HidDevice> HidAccessHidraw::createDevice(const std::string& service)
{
    return createHidrawDevice(service);
}

HidDeviceList HidAccessHidraw::copyAllDevices()
{
    HidServiceSearch nodes = listNodes();
    HidDeviceList list;
    list.result = nodes.result;
    for (const std::string& node : nodes.services) {
        if (auto device = createHidrawDevice(node)) {
            list.devices.push_back(std::move(device));
        }
    }
    return list;
}

void HidAccessHidraw::runEventLoop(double seconds)
{
    QEventLoop loop;
    if (!(seconds > 0)) {
        loop.processEvents();
        return;
    }
    const double milliseconds =
        std::min(seconds * 1000.0, static_cast<double>(std::numeric_limits<int>::max()));
    QTimer::singleShot(static_cast<int>(std::lround(milliseconds)), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

std::uint32_t HidAccessHidraw::effectiveUserID() const
{
    return ::geteuid();
}

} // namespace hollerbox
