#pragma once

#include "audio/AudioFilePlayer.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace hollerbox {

class GstControlThread;

/// Plays sounds with GStreamer: a `playbin` per sound with an explicit `pulsesink`, its own stream at full
/// volume and unmuted. Opening prerolls the pipeline and knows errors and (usually) the duration, waiting at
/// most the preroll timeout, and a prepared player starts at once however long it waited. Every state change
/// runs on one control thread of the factory, so playing, stopping and releasing never block the caller even
/// when the sound server hangs. CAF files, which the installed GStreamer cannot demux, and AIFF files, whose
/// parser can stall, are decoded with libsndfile and played from memory. While a sound plays, its stream is
/// put back to full volume and unmuted whenever something else changes it. Destruction waits at most a
/// quarter of a second for the control thread to release the players' pipelines; a thread stuck on a hung
/// server finishes that on its own. Any thread; the factory must outlive its players.
class AudioFilePlayerFactoryGst final : public AudioFilePlayerFactory
{
public:
    struct Options
    {
        /// The sound server for `pulsesink` ("unix:/path/native"); none means its default.
        std::optional<std::string> server;
        /// The most that opening a sound may take.
        std::chrono::milliseconds prerollTimeout{2000};
    };

    explicit AudioFilePlayerFactoryGst(Options options);
    ~AudioFilePlayerFactoryGst() override;

    AudioFilePlayerFactoryGst(const AudioFilePlayerFactoryGst&) = delete;
    AudioFilePlayerFactoryGst& operator=(const AudioFilePlayerFactoryGst&) = delete;

    AudioFilePlayerOpening openFile(const std::string& path) override;
    AudioFilePlayerOpening openWavData(std::vector<std::uint8_t> bytes) override;

private:
    AudioFilePlayerOpening openUri(const std::string& uri, int memoryFd);

    Options m_options;
    std::shared_ptr<GstControlThread> m_control;
};

} // namespace hollerbox
