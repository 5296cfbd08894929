#include "AudioSettingsRestorer.h"

#include "engine/HollerboxDiagnostics.h"
#include "linux/audio/MissedWriteCoding.h"
#include "linux/base/ProcessHandle.h"

#include <QCoreApplication>

namespace hollerbox {

namespace {

constexpr std::chrono::milliseconds kCheckInterval{100};

} // namespace

AudioSettingsRestorer::AudioSettingsRestorer(std::vector<AudioHardwarePulse::MissedWrite> writes,
                                             std::function<void(int status)> exitProcess,
                                             std::chrono::milliseconds limit)
    : m_exitProcess(std::move(exitProcess)), m_limit(limit)
{
    AudioHardwarePulse::Options options;
    // Kept past the limit, so that only the limit decides when to give up.
    options.pendingWriteLimit = limit + std::chrono::seconds{1};
    options.missedWrites = std::move(writes);
    m_hardware = std::make_unique<AudioHardwarePulse>(m_mainQueue, std::move(options));
    m_checkTask = m_mainQueue.scheduleRepeating(kCheckInterval, [this] { check(); });
}

AudioSettingsRestorer::~AudioSettingsRestorer() = default;

void AudioSettingsRestorer::check()
{
    const bool pending = m_hardware->hasPendingWrites();
    if (pending && std::chrono::steady_clock::now() - m_startedAt < m_limit) {
        return;
    }
    m_checkTask->cancel();
    HollerboxDiagnostics::log(pending
                                  ? "The sound server did not take the audio output's mute and volume from "
                                    "before the alarm in time."
                                  : "The audio output's mute and volume from before the alarm are back.",
                              m_clock.now());
    m_exitProcess(pending ? 1 : 0);
}

std::optional<long long>
AudioSettingsRestorer::handOver(const std::vector<AudioHardwarePulse::MissedWrite>& writes)
{
    // This very executable, even when an upgrade has replaced its file since it started.
    const auto process = ProcessHandle::spawnDetached(
        QStringLiteral("/proc/self/exe"),
        {QString::fromLatin1(option), QString::fromStdString(MissedWriteCoding::encode(writes))},
        QCoreApplication::applicationFilePath());
    if (!process) {
        return std::nullopt;
    }
    return process->processId();
}

} // namespace hollerbox
