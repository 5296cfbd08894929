#include "IioBufferReader.h"

#include "SysfsFiles.h"
#include "motion/AccelerometerUnits.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr std::string_view kEnableSuffix = "_en";
constexpr std::size_t kReadLength = 4096;
constexpr int kMaximumReadsPerWakeup = 16;
constexpr std::size_t kLongestPending = 65536;

std::string trimmedLine(const std::optional<std::string>& text)
{
    if (!text) {
        return {};
    }
    return text->substr(0, text->find('\n'));
}

std::vector<std::string> entriesOf(const std::string& path)
{
    const auto closeDirectory = [](DIR* open) { ::closedir(open); };
    std::unique_ptr<DIR, decltype(closeDirectory)> directory{::opendir(path.c_str()), closeDirectory};
    std::vector<std::string> names;
    if (!directory) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory.get())) {
        names.emplace_back(entry->d_name);
    }
    return names;
}

// The trigger that the kernel made for this device ("accel_3d-dev0"), or none.
std::optional<std::string> ownTrigger(const IioAccelerometerDevice& device, const std::string& sysfsRoot)
{
    const std::string devices = sysfsRoot + "/bus/iio/devices";
    const std::string wanted = device.name + "-dev" + std::to_string(device.number);
    for (const std::string& entry : entriesOf(devices)) {
        if (entry.starts_with("trigger") &&
            trimmedLine(SysfsFiles::read(devices + "/" + entry + "/name", 256)) == wanted) {
            return wanted;
        }
    }
    return std::nullopt;
}

std::string failure(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

// Undoes the changes of a set-up that did not finish.
struct Changes
{
    const IioAccelerometerDevice& device;
    std::vector<std::string> enabledElements;
    bool bufferEnabled = false;
    bool kept = false;

    ~Changes()
    {
        if (kept) {
            return;
        }
        if (bufferEnabled) {
            SysfsFiles::write(device.attributePath("buffer/enable"), "0");
        }
        for (const std::string& element : enabledElements) {
            SysfsFiles::write(device.attributePath("scan_elements/" + element), "0");
        }
    }
};

} // namespace

std::unique_ptr<IioBufferReader> IioBufferReader::start(const IioAccelerometerDevice& device,
                                                        const std::string& sysfsRoot,
                                                        ReadingHandler onReading, FailureHandler onFailure,
                                                        std::string& problem)
{
    problem.clear();
    const std::array<std::string, 3> axes{"in_accel_x", "in_accel_y", "in_accel_z"};
    for (const std::string& axis : axes) {
        if (!device.attribute("scan_elements/" + axis + "_en") ||
            !device.attribute("scan_elements/" + axis + "_type")) {
            return nullptr; // no buffer to use: the raw attributes are all there is
        }
    }
    const auto enable = device.attribute("buffer/enable");
    if (!enable) {
        return nullptr;
    }
    if (parseSysfsInteger(*enable).value_or(0) != 0) {
        problem = "its buffer is already in use";
        return nullptr;
    }

    FileDescriptor file{::open(device.devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (!file.isValid()) {
        problem = failure(device.devicePath + " cannot be opened", errno);
        return nullptr;
    }

    Changes changes{device, {}};
    for (const std::string& axis : axes) {
        const std::string element = axis + kEnableSuffix.data();
        if (parseSysfsInteger(device.attribute("scan_elements/" + element).value_or("")).value_or(0) == 1) {
            continue;
        }
        if (const int error = SysfsFiles::write(device.attributePath("scan_elements/" + element), "1")) {
            problem = failure(device.attributePath("scan_elements/" + element) + " cannot be written", error);
            return nullptr;
        }
        changes.enabledElements.push_back(element);
    }

    std::vector<IioScanLayout::Channel> channels;
    for (const std::string& entry : entriesOf(device.attributePath("scan_elements"))) {
        if (!entry.ends_with(kEnableSuffix) ||
            parseSysfsInteger(device.attribute("scan_elements/" + entry).value_or("")).value_or(0) != 1) {
            continue;
        }
        const std::string base = entry.substr(0, entry.size() - kEnableSuffix.size());
        const auto index =
            parseSysfsInteger(device.attribute("scan_elements/" + base + "_index").value_or(""));
        const auto type =
            IioScanElementType::parse(device.attribute("scan_elements/" + base + "_type").value_or(""));
        if (!index || !type) {
            problem = "its scan element " + base + " has no usable index or type";
            return nullptr;
        }
        channels.push_back({base, *index, *type});
    }
    auto layout = IioScanLayout::make(std::move(channels), axes);
    if (!layout) {
        problem = "its scan elements do not describe x, y and z";
        return nullptr;
    }

    if (const auto current = device.attribute("trigger/current_trigger");
        current && trimmedLine(current).empty()) {
        if (const auto trigger = ownTrigger(device, sysfsRoot)) {
            SysfsFiles::write(device.attributePath("trigger/current_trigger"), *trigger);
        }
    }
    if (const int error = SysfsFiles::write(device.attributePath("buffer/enable"), "1")) {
        problem = failure(device.attributePath("buffer/enable") + " cannot be written", error);
        return nullptr;
    }
    changes.bufferEnabled = true;

    std::unique_ptr<IioBufferReader> reader{
        new IioBufferReader(device, std::move(file), *layout, std::move(onReading), std::move(onFailure))};
    reader->m_enabledByUs = changes.enabledElements;
    reader->m_bufferEnabledByUs = true;
    changes.kept = true;
    return reader;
}

IioBufferReader::IioBufferReader(IioAccelerometerDevice device, FileDescriptor file, IioScanLayout layout,
                                 ReadingHandler onReading, FailureHandler onFailure)
    : m_device(std::move(device)), m_file(std::move(file)), m_layout(layout),
      m_onReading(std::move(onReading)), m_onFailure(std::move(onFailure))
{
    m_notifier = new QSocketNotifier(m_file.get(), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readScans(); });
}

IioBufferReader::~IioBufferReader()
{
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_file.reset();
    if (m_bufferEnabledByUs) {
        SysfsFiles::write(m_device.attributePath("buffer/enable"), "0");
    }
    for (const std::string& element : m_enabledByUs) {
        SysfsFiles::write(m_device.attributePath("scan_elements/" + element), "0");
    }
}

void IioBufferReader::readScans()
{
    const std::weak_ptr<int> lifetime = m_lifetime;
    for (int round = 0; round < kMaximumReadsPerWakeup && m_file.isValid(); ++round) {
        const std::size_t filled = m_pending.size();
        m_pending.resize(filled + kReadLength);
        const ssize_t count = ::read(m_file.get(), m_pending.data() + filled, kReadLength);
        m_pending.resize(filled + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (count <= 0) {
            stop(count == 0 ? m_device.devicePath + " came to its end"
                            : failure(m_device.devicePath + " cannot be read", errno));
            return;
        }
        const std::size_t size = m_layout.scanBytes();
        std::size_t used = 0;
        for (; m_pending.size() - used >= size; used += size) {
            m_onReading(m_layout.decode(std::span<const std::uint8_t>{m_pending}.subspan(used, size)));
            if (lifetime.expired()) {
                return; // the handler released this reader
            }
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
        if (m_pending.size() > kLongestPending) {
            m_pending.clear();
        }
    }
}

void IioBufferReader::stop(const std::string& problem)
{
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
    }
    m_pending.clear();
    if (m_onFailure) {
        m_onFailure(problem);
    }
}

} // namespace hollerbox
