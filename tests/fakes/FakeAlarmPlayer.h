#pragma once

#include "CallLog.h"
#include "engine/AlarmPlaybackControlling.h"
#include "ports/Clock.h"

#include <string>
#include <vector>

namespace hollerbox::testing {

/// A player that records every playback; it keeps "playing" until the test says otherwise or `stop` runs.
/// Preparations go to `readiness` ("prepare <title>", "release"), not to the call log.
class FakeAlarmPlayer final : public AlarmPlaybackControlling
{
public:
    struct Playback
    {
        AlarmSoundSelection selection;
        int count = 0;
        std::uint64_t intervalMilliseconds = 0;
        std::optional<float> overrideVolumeScalar;
        WallTime startedAt;
    };

    FakeAlarmPlayer(std::shared_ptr<CallLog> log, const Clock& clock) : m_log(std::move(log)), m_clock(clock)
    {}

    bool isPlaying() const override { return playing; }
    void play(const AlarmSoundSelection& selection, int count, std::uint64_t intervalMilliseconds,
              std::optional<float> overrideVolumeScalar) override
    {
        m_log->add("player.play");
        playbacks.push_back({selection, count, intervalMilliseconds, overrideVolumeScalar, m_clock.now()});
        playing = true;
    }
    void stop() override
    {
        m_log->add("player.stop");
        playing = false;
    }
    void prepare(const AlarmSoundSelection& selection) override
    {
        readiness.push_back("prepare " + selection.title());
    }
    void release() override { readiness.push_back("release"); }

    bool playing = false;
    std::vector<Playback> playbacks;
    std::vector<std::string> readiness;

private:
    std::shared_ptr<CallLog> m_log;
    const Clock& m_clock;
};

} // namespace hollerbox::testing
