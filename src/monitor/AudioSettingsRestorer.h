#pragma once

#include "linux/audio/AudioHardwarePulse.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace hollerbox {

/// The background monitor's last duty, run as a process of its own once the monitor has exited: applies the
/// mute and volume writes that its sound server missed as soon as the server takes them, then exits with 0,
/// or with 1 when some were still not taken after `limit`. Main thread only.
class AudioSettingsRestorer final
{
public:
    /// The option that starts the program in this role, followed by the writes in their text form.
    static constexpr const char* option = "--restore-audio";
    static constexpr std::chrono::milliseconds writeLimit{60000};

    AudioSettingsRestorer(std::vector<AudioHardwarePulse::MissedWrite> writes,
                          std::function<void(int status)> exitProcess,
                          std::chrono::milliseconds limit = writeLimit);
    ~AudioSettingsRestorer();

    AudioSettingsRestorer(const AudioSettingsRestorer&) = delete;
    AudioSettingsRestorer& operator=(const AudioSettingsRestorer&) = delete;

    /// Starts this program again, detached (a session of its own, default signal handling, no inherited
    /// descriptors), to apply `writes`; the new process's ID, or none when it could not be started.
    static std::optional<long long> handOver(const std::vector<AudioHardwarePulse::MissedWrite>& writes);

private:
    void check();

    std::function<void(int)> m_exitProcess;
    std::chrono::milliseconds m_limit{writeLimit};
    ClockSystem m_clock;
    MainQueueQt m_mainQueue;
    std::chrono::steady_clock::time_point m_startedAt = std::chrono::steady_clock::now();
    std::unique_ptr<AudioHardwarePulse> m_hardware;
    std::unique_ptr<ScheduledTask> m_checkTask;
};

} // namespace hollerbox
