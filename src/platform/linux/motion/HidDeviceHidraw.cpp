#include "HidDeviceHidraw.h"

#include "HidrawErrors.h"
#include "motion/IOReturn.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#ifndef HIDIOCGINPUT
#define HIDIOCGINPUT(len) _IOC(_IOC_WRITE | _IOC_READ, 'H', 0x0A, len)
#endif
#ifndef HIDIOCGOUTPUT
#define HIDIOCGOUTPUT(len) _IOC(_IOC_WRITE | _IOC_READ, 'H', 0x0C, len)
#endif

namespace hollerbox {

namespace {

// The length field of a hidraw report request holds 14 bits.
constexpr std::size_t kLongestReportRequest = (1U << 14U) - 1;

} // namespace

HidDeviceHidraw::HidDeviceHidraw(Description description) : m_description(std::move(description)) {}

HidDeviceHidraw::~HidDeviceHidraw()
{
    close();
}

std::optional<HidPropertyValue> HidDeviceHidraw::property(std::string_view key) const
{
    const auto found = m_description.properties.find(key);
    if (found == m_description.properties.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::vector<HidElement>> HidDeviceHidraw::elements() const
{
    if (!m_description.descriptor) {
        return std::nullopt;
    }
    return m_description.descriptor->elements;
}

std::int32_t HidDeviceHidraw::open()
{
    if (m_file.isValid()) {
        return IOReturn::success;
    }
    FileDescriptor file{::open(m_description.nodePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (!file.isValid()) {
        m_lastError = std::strerror(errno);
        return ioReturnForOpenError(errno);
    }
    m_lastError.clear();
    m_file = std::move(file);
    if (m_scheduled) {
        startReading();
    }
    return IOReturn::success;
}

void HidDeviceHidraw::close()
{
    m_scheduled = false;
    m_callback = nullptr;
    m_reportBuffer = {};
    dropNotifier();
    m_file.reset();
}

void HidDeviceHidraw::scheduleInputReports(std::span<std::uint8_t> reportBuffer,
                                           HidInputReportCallback callback)
{
    m_reportBuffer = reportBuffer;
    m_callback = std::make_shared<const HidInputReportCallback>(std::move(callback));
    m_scheduled = true;
    startReading();
}

void HidDeviceHidraw::startReading()
{
    m_endOfStream = false;
    if (!m_file.isValid()) {
        return; // reading starts when the device is opened
    }
    if (m_notifier == nullptr) {
        m_readBuffer.resize(readBufferLength);
        m_notifier = new QSocketNotifier(m_file.get(), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { onReadable(); });
        m_batchTimer = new QTimer(m_notifier);
        m_batchTimer->setTimerType(Qt::PreciseTimer);
        m_batchTimer->setInterval(readBatchInterval);
        QObject::connect(m_batchTimer, &QTimer::timeout, m_notifier, [this] { onBatchTimer(); });
    }
    m_batchTimer->stop();
    m_notifier->setEnabled(true);
}

void HidDeviceHidraw::unscheduleInputReports()
{
    m_scheduled = false;
    if (m_notifier != nullptr) {
        m_batchTimer->stop();
        m_notifier->setEnabled(false);
    }
}

bool HidDeviceHidraw::isReading() const
{
    return m_scheduled && m_file.isValid() && m_notifier != nullptr && !m_endOfStream;
}

void HidDeviceHidraw::onReadable()
{
    // A fast device is read in batches: the main thread then wakes 25 times a second, at 100 or at 1000
    // reports a second, for a delay of at most one batch interval, a small part of an engine tick. A slow
    // one is read at once.
    const auto now = std::chrono::steady_clock::now();
    const bool fast = now - m_lastReadableAt < readBatchInterval;
    m_lastReadableAt = now;
    const std::weak_ptr<int> lifetime = m_lifetime;
    readReports();
    if (lifetime.expired() || !fast || !isReading()) {
        return;
    }
    m_notifier->setEnabled(false);
    m_batchTimer->start();
}

void HidDeviceHidraw::onBatchTimer()
{
    if (!isReading()) {
        m_batchTimer->stop();
        return;
    }
    if (!hasWaitingBytes()) {
        // Fallen quiet: the next report wakes the reader again.
        m_batchTimer->stop();
        m_notifier->setEnabled(true);
        return;
    }
    readReports();
}

bool HidDeviceHidraw::hasWaitingBytes() const
{
    pollfd state{m_file.get(), POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&state, 1, 0);
    } while (ready < 0 && errno == EINTR);
    // An error or a hang-up is for the read to find.
    return ready != 0;
}

void HidDeviceHidraw::splitReports(const std::optional<HidReportDescriptor>& descriptor,
                                   std::span<const std::uint8_t> bytes,
                                   std::vector<std::span<const std::uint8_t>>& reports)
{
    if (!descriptor) {
        reports.assign(1, bytes);
        return;
    }
    descriptor->splitInputReports(bytes, reports);
}

HidInputReport HidDeviceHidraw::inputReport(const std::optional<HidReportDescriptor>& descriptor,
                                            std::span<const std::uint8_t> report,
                                            std::span<std::uint8_t> reportBuffer)
{
    const std::size_t length = std::min(report.size(), reportBuffer.size());
    if (length > 0) {
        std::memcpy(reportBuffer.data(), report.data(), length);
    }
    const bool numbered = descriptor && descriptor->usesReportIDs;
    const std::uint32_t reportID = numbered && !report.empty() ? report.front() : 0;
    return {IOReturn::success, HidReportType::input, reportID, reportBuffer.first(length)};
}

void HidDeviceHidraw::readReports()
{
    const std::weak_ptr<int> lifetime = m_lifetime;
    m_dispatching = true;
    // One read takes all that an emulated node holds and one report of a real node: the node is read again
    // only while it still has bytes, so that a batch costs a single read where it can.
    for (int round = 0; round < maximumReadsPerWakeup && isReading(); ++round) {
        if (round > 0 && !hasWaitingBytes()) {
            break;
        }
        const ssize_t count = ::read(m_file.get(), m_readBuffer.data(), m_readBuffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (count <= 0) {
            // The node went away (EIO, ENODEV) or reached its end: nothing more will come.
            endStream(count, errno);
            if (lifetime.expired()) {
                return;
            }
            break;
        }
        splitReports(m_description.descriptor,
                     std::span<const std::uint8_t>{m_readBuffer}.first(static_cast<std::size_t>(count)),
                     m_reports);
        for (const auto report : m_reports) {
            deliver(report);
            if (lifetime.expired()) {
                return; // the callback destroyed this device
            }
            if (!isReading()) {
                break;
            }
        }
    }
    m_dispatching = false;
    if (!m_file.isValid()) {
        dropNotifier();
    }
}

void HidDeviceHidraw::deliver(std::span<const std::uint8_t> report)
{
    // The callback may close or destroy this device: it keeps itself alive while it runs.
    const auto callback = m_callback;
    (*callback)(inputReport(m_description.descriptor, report, m_reportBuffer));
}

void HidDeviceHidraw::endStream(ssize_t count, int error)
{
    m_lastError = count == 0 ? "the node came to its end" : std::strerror(error);
    stopReading();
    const auto callback = m_callback;
    (*callback)({count == 0 ? IOReturn::noDevice : ioReturnForRequestError(error), HidReportType::input, 0,
                 m_reportBuffer.first(0)});
}

void HidDeviceHidraw::stopReading()
{
    m_endOfStream = true;
    if (m_notifier != nullptr) {
        m_batchTimer->stop();
        m_notifier->setEnabled(false);
    }
}

void HidDeviceHidraw::dropNotifier()
{
    if (m_notifier == nullptr) {
        return;
    }
    m_batchTimer->stop();
    m_notifier->setEnabled(false);
    if (m_dispatching) {
        m_notifier->deleteLater(); // it is delivering the signal that got us here
    } else {
        delete m_notifier;
    }
    m_notifier = nullptr;
    m_batchTimer = nullptr;
}

HidReportRequestResult HidDeviceHidraw::getReport(HidReportType type, std::uint32_t reportID,
                                                  std::size_t length)
{
    if (!m_file.isValid()) {
        return {IOReturn::notOpen, 0, {}};
    }
    if (length == 0 || length > kLongestReportRequest || reportID > 0xFF) {
        return {IOReturn::badArgument, 0, {}};
    }
    std::vector<std::uint8_t> buffer(length, 0);
    buffer[0] = static_cast<std::uint8_t>(reportID);
    unsigned long request = 0;
    switch (type) {
    case HidReportType::input:
        request = HIDIOCGINPUT(length);
        break;
    case HidReportType::feature:
        request = HIDIOCGFEATURE(length);
        break;
    case HidReportType::output:
        request = HIDIOCGOUTPUT(length);
        break;
    }
    int count = -1;
    do {
        count = ::ioctl(m_file.get(), request, buffer.data());
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return {ioReturnForRequestError(errno), 0, {}};
    }
    const std::size_t returned = std::min(static_cast<std::size_t>(count), length);
    buffer.resize(returned);
    return {IOReturn::success, returned, std::move(buffer)};
}

} // namespace hollerbox
