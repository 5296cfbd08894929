#include "HidrawTestbed.h"

#include "motion/SPUReportBuilder.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <umockdev.h>
#include <unistd.h>

namespace hollerbox::testing {

namespace {

std::string dataPath(const std::string& fileName)
{
    return std::string{HOLLERBOX_MOTION_TEST_DATA_DIR} + "/" + fileName;
}

} // namespace

HidrawTestbed::HidrawTestbed() : m_testbed(umockdev_testbed_new()) {}

HidrawTestbed::~HidrawTestbed()
{
    stopStreaming();
    g_object_unref(m_testbed);
}

bool HidrawTestbed::addDevices(const std::string& fileName,
                               const std::vector<std::pair<std::string, std::string>>& replacements)
{
    gchar* contents = nullptr;
    GError* error = nullptr;
    if (!succeeded(g_file_get_contents(dataPath(fileName).c_str(), &contents, nullptr, &error),
                   "cannot read " + fileName, &error)) {
        return false;
    }
    std::string text{contents};
    g_free(contents);
    for (const auto& [from, to] : replacements) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return succeeded(umockdev_testbed_add_from_string(m_testbed, text.c_str(), &error),
                     "cannot add " + fileName, &error);
}

bool HidrawTestbed::loadIoctls(const std::string& node, const std::string& fileName)
{
    GError* error = nullptr;
    const std::string device = "/dev/" + node;
    return succeeded(
        umockdev_testbed_load_ioctl(m_testbed, device.c_str(), dataPath(fileName).c_str(), &error),
        "cannot load " + fileName, &error);
}

bool HidrawTestbed::loadEvemuEvents(const std::string& node, const std::string& fileName)
{
    GError* error = nullptr;
    const std::string device = "/dev/" + node;
    return succeeded(
        umockdev_testbed_load_evemu_events(m_testbed, device.c_str(), dataPath(fileName).c_str(), &error),
        "cannot load " + fileName, &error);
}

bool HidrawTestbed::succeeded(bool ok, const std::string& what, GError** error)
{
    if (!ok) {
        m_error = what + ": " + (*error != nullptr ? (*error)->message : "unknown error");
    }
    g_clear_error(error);
    return ok;
}

void HidrawTestbed::removeDevice(const std::string& sysfsPath)
{
    umockdev_testbed_remove_device(m_testbed, sysfsPath.c_str());
}

void HidrawTestbed::removeDeviceNode(const std::string& node)
{
    std::error_code ignored;
    std::filesystem::remove(deviceRoot() + "/" + node, ignored);
}

void HidrawTestbed::hangUpNode(const std::string& node)
{
    const std::lock_guard lock{m_writeMutex};
    const int descriptor = nodeDescriptor(node);
    if (descriptor < 0) {
        return;
    }
    // The testbed owns the descriptor and closes it later: it is pointed at the null device, which closes
    // the node's far end.
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, descriptor);
    ::close(null);
}

std::string HidrawTestbed::rootDirectory() const
{
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    std::string path{root};
    g_free(root);
    return path;
}

QProcessEnvironment HidrawTestbed::childEnvironment(QProcessEnvironment base) const
{
    const QString preload = base.value("LD_PRELOAD");
    base.insert("LD_PRELOAD", "libumockdev-preload.so.0" + (preload.isEmpty() ? QString{} : " " + preload));
    base.insert("UMOCKDEV_DIR", QString::fromStdString(rootDirectory()));
    // Sanitizer builds must accept the preload library ahead of their runtime.
    const QString asan = base.value("ASAN_OPTIONS");
    base.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString{} : asan + ":") + "verify_asan_link_order=0");
    return base;
}

int HidrawTestbed::nodeDescriptor(const std::string& node)
{
    if (const auto known = m_nodeDescriptors.find(node); known != m_nodeDescriptors.end()) {
        return known->second;
    }
    const std::string device = "/dev/" + node;
    const int descriptor = umockdev_testbed_get_dev_fd(m_testbed, device.c_str());
    if (descriptor < 0) {
        return descriptor;
    }
    // Reports written before a reader opens the node must never block the writer.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    m_nodeDescriptors.emplace(node, descriptor);
    return descriptor;
}

bool HidrawTestbed::writeReport(const std::string& node, std::span<const std::uint8_t> report)
{
    const std::lock_guard lock{m_writeMutex};
    const int descriptor = nodeDescriptor(node);
    if (descriptor < 0) {
        return false;
    }
    // The emulated node is a pseudo-terminal: while no reader has it open, reports would pile up in its
    // buffer and then be cut in two when it fills, which a real node never does. Like a real node, it
    // delivers nothing to nobody.
    pollfd state{descriptor, POLLOUT, 0};
    if (::poll(&state, 1, 0) < 0 || (state.revents & POLLHUP) != 0) {
        return false;
    }
    // Never leave half a report behind: a reader that is slow to drain gets the rest a little later.
    std::size_t written = 0;
    while (written < report.size()) {
        const auto count = ::write(descriptor, report.data() + written, report.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN) {
            return false;
        }
        pollfd writable{descriptor, POLLOUT, 0};
        if (::poll(&writable, 1, 100) <= 0 || (writable.revents & POLLHUP) != 0) {
            return written == 0 ? false : written == report.size();
        }
    }
    return true;
}

void HidrawTestbed::startStreaming(const std::string& node, std::chrono::milliseconds period)
{
    stopStreaming();
    m_streaming = true;
    m_streamer = std::thread{[this, node, period] {
        auto next = std::chrono::steady_clock::now();
        while (m_streaming.load()) {
            const auto report = makeSPUReport(m_x.load(), m_y.load(), m_z.load());
            writeReport(node, report);
            next += period;
            std::this_thread::sleep_until(next);
        }
    }};
}

void HidrawTestbed::setStreamedAxes(std::int32_t x, std::int32_t y, std::int32_t z)
{
    m_x = x;
    m_y = y;
    m_z = z;
}

void HidrawTestbed::stopStreaming()
{
    m_streaming = false;
    if (m_streamer.joinable()) {
        m_streamer.join();
    }
}

} // namespace hollerbox::testing
