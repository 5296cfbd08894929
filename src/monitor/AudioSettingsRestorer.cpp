#include "AudioSettingsRestorer.h"

#include "engine/HollerboxDiagnostics.h"
#include "linux/audio/MissedWriteCoding.h"

#include <QCoreApplication>
#include <QProcess>

namespace hollerbox {

namespace {

constexpr std::chrono::milliseconds kCheckInterval{100};

} // namespace

AudioSettingsRestorer::AudioSettingsRestorer(std::vector<AudioHardwarePulse::MissedWrite> writes,
                                             std::function<void(int status)> exitProcess)
    : m_exitProcess(std::move(exitProcess))
{
    AudioHardwarePulse::Options options;
    options.pendingWriteLimit = writeLimit;
    options.missedWrites = std::move(writes);
    m_hardware = std::make_unique<AudioHardwarePulse>(m_mainQueue, std::move(options));
    m_checkTask = m_mainQueue.scheduleRepeating(kCheckInterval, [this] { check(); });
}

AudioSettingsRestorer::~AudioSettingsRestorer() = default;

void AudioSettingsRestorer::check()
{
    if (m_finished || m_hardware->hasPendingWrites()) {
        return;
    }
    m_finished = true;
    m_checkTask->cancel();
    const bool expired = std::chrono::steady_clock::now() - m_startedAt >= writeLimit;
    HollerboxDiagnostics::log(expired ? "The sound server did not answer in time; the audio output keeps the "
                                        "alarm's mute and volume."
                                      : "The audio output's mute and volume from before the alarm are back.",
                              m_clock.now());
    m_exitProcess(expired ? 1 : 0);
}

std::optional<long long>
AudioSettingsRestorer::handOver(const std::vector<AudioHardwarePulse::MissedWrite>& writes)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(
        {QString::fromLatin1(option), QString::fromStdString(MissedWriteCoding::encode(writes))});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 processID = 0;
    if (!process.startDetached(&processID)) {
        return std::nullopt;
    }
    return processID;
}

} // namespace hollerbox
