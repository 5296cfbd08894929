#pragma once

#include "IioDevices.h"
#include "linux/support/FileDescriptor.h"
#include "motion/IioScanLayout.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace hollerbox {

/// An IIO device's buffer: its x, y and z scan elements switched on, a trigger chosen when it has none,
/// the buffer enabled and its node read without blocking through a socket notifier on the main thread.
class IioBufferReader
{
public:
    using Reading = std::array<std::int64_t, 3>;
    using ReadingHandler = std::function<void(const Reading& raw)>;
    using FailureHandler = std::function<void(const std::string& problem)>;

    /// The reader, or none with why in `problem` (empty when the device has no buffer to use).
    static std::unique_ptr<IioBufferReader> start(const IioAccelerometerDevice& device,
                                                  const std::string& sysfsRoot, ReadingHandler onReading,
                                                  FailureHandler onFailure, std::string& problem);
    /// Stops reading and disables the buffer it enabled.
    ~IioBufferReader();

    IioBufferReader(const IioBufferReader&) = delete;
    IioBufferReader& operator=(const IioBufferReader&) = delete;

    std::size_t scanBytes() const { return m_layout.scanBytes(); }

private:
    IioBufferReader(IioAccelerometerDevice device, FileDescriptor file, IioScanLayout layout,
                    ReadingHandler onReading, FailureHandler onFailure);

    void readScans();
    void stop(const std::string& problem);

    IioAccelerometerDevice m_device;
    FileDescriptor m_file;
    IioScanLayout m_layout;
    ReadingHandler m_onReading;
    FailureHandler m_onFailure;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<std::uint8_t> m_pending;
    std::vector<std::string> m_enabledByUs;
    bool m_bufferEnabledByUs = false;
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace hollerbox
