#pragma once

#include "VirtualClock.h"
#include "VirtualMainQueue.h"
#include "audio/AlarmPlaybackController.h"
#include "audio/FakeAudioFilePlayerFactory.h"
#include "audio/FakeAudioHardware.h"
#include "audio/FakeBackgroundWorker.h"
#include "audio/FakeResourceDirectories.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {

/// A playback controller over fakes in virtual time, with the three built-in files installed.
class PlaybackFixture : public ::testing::Test
{
protected:
    static constexpr auto bundle = "/hb/share/hollerbox/Hollerbox_HollerboxCore.bundle";

    static std::string builtInPath(std::string_view name)
    {
        return std::string{bundle} + "/BuiltInAlarms/" + std::string{name} + ".mp3";
    }

    PlaybackFixture()
    {
        directories.programResources = "/hb/share/hollerbox";
        directories.directories.insert(bundle);
        for (const auto& [name, seconds] :
             {std::pair{"hands-off", 1.9}, {"what-are-you-doing", 2.0}, {"police-alarm", 3.0}}) {
            directories.files.insert(builtInPath(name));
            players.files[builtInPath(name)] = {seconds, {}, 0};
        }
        hardware.defaultDevice = 5;
        hardware.devices[5] = FakeAudioHardware::stereoDevice(1, 0.3f);
    }

    /// A sound and how long it plays: a built-in file for its 3 s, a custom file of 0.1 s for the quarter
    /// second every file plays at least.
    struct DurationCase
    {
        AlarmSoundSelection selection;
        std::string file;
        double seconds = 0;
    };

    std::vector<DurationCase> durationCases()
    {
        players.files["/clips/blip.wav"] = {0.1, {}, 0};
        return {
            {AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), builtInPath("police-alarm"), 3.0},
            {AlarmSoundSelection::customFile("/clips/blip.wav", "Blip"), "/clips/blip.wav", 0.25}};
    }

    /// Runs waiting background work and the main-thread jobs it hands back.
    void settle()
    {
        while (worker.runAll() > 0) {
            queue.runPending();
        }
        queue.runPending();
    }

    void advance(double seconds)
    {
        queue.advanceBy(std::chrono::microseconds{static_cast<long long>(seconds * 1e6 + 0.5)});
    }

    VirtualClock clock;
    VirtualMainQueue queue{clock};
    FakeBackgroundWorker worker{queue};
    FakeAudioHardware hardware;
    FakeResourceDirectories directories;
    BuiltInSoundLocator sounds{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    FakeAudioFilePlayerFactory players;
    std::vector<double> sleeps;
    AlarmPlaybackProbe::Sleeper sleeper = [this](double seconds) { sleeps.push_back(seconds); };
};

} // namespace hollerbox::testing
