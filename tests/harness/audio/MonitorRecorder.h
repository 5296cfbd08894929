#pragma once

#include "ChildOutputReader.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hollerbox::testing {

/// Records what reaches a sink from its monitor source with `parec` (16-bit stereo at 44.1 kHz, low latency),
/// noting when each block arrived, so that a test can tell whether, how loud and how soon a sound was heard.
class MonitorRecorder
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr int sampleRate = 44100;

    /// Records `<sinkName>.monitor` of the server at `serverAddress`.
    MonitorRecorder(std::string serverAddress, std::string sinkName);
    ~MonitorRecorder();

    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    /// Starts recording and waits until the first block arrives; false when it could not.
    bool start(std::chrono::milliseconds limit = std::chrono::seconds{5});
    void stop();

    /// Frames recorded so far (one frame is a left and a right sample).
    std::size_t frameCount() const;
    /// The frame index that was being recorded at `time` (the first frame of the block that arrived then).
    std::size_t frameAt(TimePoint time) const;
    /// Root mean square of frames [from, to) over both channels, as a fraction of full scale.
    double rms(std::size_t from, std::size_t to) const;
    /// The largest absolute sample of frames [from, to), as a fraction of full scale.
    double peak(std::size_t from, std::size_t to) const;
    /// When the first block with a sample above `threshold` (fraction of full scale) arrived at or after
    /// frame `from`.
    std::optional<TimePoint> firstAudibleAt(std::size_t from, double threshold) const;
    /// The longest run of frames in [from, to) with a channel below `threshold`, in milliseconds.
    double longestQuietRunMs(std::size_t from, std::size_t to, double threshold) const;
    /// RMS over consecutive windows of `windowMs` from frame `from` on.
    std::vector<double> windowedRms(std::size_t from, int windowMs) const;

private:
    struct Block
    {
        TimePoint arrivedAt;
        std::size_t firstFrame = 0;
    };

    std::string m_serverAddress;
    std::string m_sinkName;
    ChildOutputReader m_parec;
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
    std::vector<Block> m_blocks;
};

} // namespace hollerbox::testing
