#pragma once

#include "engine/OpenLidAlarmController.h"
#include "engine/ProtectionConfiguration.h"
#include "linux/audio/AudioHardwarePulse.h"
#include "ports/BackgroundWorker.h"
#include "ports/Clock.h"
#include "ports/MainQueue.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

class AudioFilePlayerFactory;
class AudioHardware;
class BuiltInSoundLocator;

/// The real services of one program on Linux, and the one protection controller built from them. The two
/// programs differ only in the lock source and where built-in sounds are looked up. Main thread only;
/// `mainQueue` and `clock` must outlive the services, and the controller must go before them.
class ProtectionServicesLinux
{
public:
    enum class Program
    {
        /// The tray application: the real screen-lock state; built-in sounds from its own resources.
        application,
        /// The background monitor: always locked; built-in sounds from the core bundle, then its resources.
        backgroundMonitor
    };

    /// Where the resources and the sound server are; the defaults are the running program's.
    struct Options
    {
        /// The program file whose installation prefix holds the resources; empty means the running one.
        std::string executablePath;
        /// The sound server ("unix:/path/native"); none means libpulse's default.
        std::optional<std::string> soundServer;
    };

    /// The monitor's services end the program when the core bundle is missing, before touching the audio.
    ProtectionServicesLinux(Program program, MainQueue& mainQueue, const Clock& clock);
    ProtectionServicesLinux(Program program, MainQueue& mainQueue, const Clock& clock, Options options);
    ~ProtectionServicesLinux();

    ProtectionServicesLinux(const ProtectionServicesLinux&) = delete;
    ProtectionServicesLinux& operator=(const ProtectionServicesLinux&) = delete;

    /// A controller with the program's lock source, the lid reader, the sleep lease, the accelerometer, an
    /// alarm player with its own output override, the readiness probe (minimum volume 0.15) and, while the
    /// alarm sounds, a lease on the lid switch and the power, suspend and hibernate keys.
    std::unique_ptr<OpenLidAlarmController> makeController(const ProtectionConfiguration& configuration);

    Program program() const { return m_program; }
    MainQueue& mainQueue() { return m_mainQueue; }
    const Clock& clock() const { return m_clock; }
    AudioHardware& audioHardware();
    /// The audio writes the sound server has missed and that are still kept for it.
    std::vector<AudioHardwarePulse::MissedWrite> missedAudioWrites();
    AudioFilePlayerFactory& players();
    const BuiltInSoundLocator& sounds() const;
    BackgroundWorker& worker();

private:
    struct Parts;

    Program m_program;
    MainQueue& m_mainQueue;
    const Clock& m_clock;
    std::unique_ptr<Parts> m_parts;
};

} // namespace hollerbox
