#include "PlaybackFixture.h"

#include <algorithm>
#include <functional>

namespace hollerbox::testing {
namespace {

using Strings = std::vector<std::string>;

class AlarmPlaybackControllerTest : public PlaybackFixture
{
protected:
    void play(const AlarmSoundSelection& selection, std::optional<float> volume = std::nullopt)
    {
        controller->play(selection, 3, 180, volume);
    }

    static AlarmSoundSelection builtIn(BuiltInAlarmSound::Value sound)
    {
        return AlarmSoundSelection::builtIn(sound);
    }

    /// Lets virtual time run in milliseconds, with background work done at once, until `done` holds.
    void runUntil(const std::function<bool()>& done, double limitSeconds = 10.0)
    {
        settle();
        for (int step = 0; !done() && step < limitSeconds * 1000; ++step) {
            advance(0.001);
            settle();
        }
    }

    /// Plays `selection` at 0.65 for a second, then takes the sound server and the output device away (so
    /// that `file` cannot be opened) for `seconds`; what was printed meanwhile.
    std::string playThenLoseTheServer(const AlarmSoundSelection& selection, const std::string& file,
                                      double seconds)
    {
        play(selection, 0.65f);
        settle();
        advance(1.0);
        ++players.serverRestarts;
        hardware.defaultDevice.reset();
        players.files[file].error = "Connection refused";
        players.clearLog();
        ::testing::internal::CaptureStderr();
        advance(0.1);
        settle();
        advance(seconds);
        return ::testing::internal::GetCapturedStderr();
    }

    bool logged(const std::string& entry) const
    {
        const auto log = players.log();
        return std::find(log.begin(), log.end(), entry) != log.end();
    }

    std::unique_ptr<AlarmPlaybackController> controller = std::make_unique<AlarmPlaybackController>(
        std::make_unique<SystemAudioOverrideController>(hardware), players, sounds, queue, worker, clock);
};

TEST_F(AlarmPlaybackControllerTest, PlaysAFileForItsDurationButAtLeastAQuarterSecondWithoutTouchingTheDevice)
{
    for (const auto& [selection, file, seconds] : durationCases()) {
        SCOPED_TRACE(file);
        players.clearLog();
        play(selection);
        EXPECT_TRUE(controller->isPlaying());
        settle();
        EXPECT_EQ(players.log(), (Strings{"open " + file, "volume " + file + " 1", "play " + file}));
        advance(seconds - 0.001);
        EXPECT_TRUE(controller->isPlaying());
        advance(0.001);
        EXPECT_FALSE(controller->isPlaying());
        EXPECT_EQ(players.log().back(), "stop " + file);
        EXPECT_EQ(players.livePlayers(), 0);
        queue.runPending();
        EXPECT_EQ(queue.activeTaskCount(), 0u);
    }
    EXPECT_TRUE(hardware.calls.empty());
}

TEST_F(AlarmPlaybackControllerTest, APreparedSoundStartsWithoutOpeningAndIsPreparedAgainAfterItEnds)
{
    const auto police = builtInPath("police-alarm");
    controller->prepare(builtIn(BuiltInAlarmSound::policeAlarm));
    settle();
    EXPECT_EQ(players.log(), (Strings{"open " + police}));
    players.clearLog();

    play(builtIn(BuiltInAlarmSound::policeAlarm));
    EXPECT_EQ(worker.waiting(), 0u);
    EXPECT_EQ(players.log(), (Strings{"volume " + police + " 1", "play " + police}));
    advance(3.0);
    EXPECT_FALSE(controller->isPlaying());
    settle();
    EXPECT_EQ(players.log(),
              (Strings{"volume " + police + " 1", "play " + police, "stop " + police, "open " + police}));
    EXPECT_EQ(players.livePlayers(), 1);

    controller->prepare(builtIn(BuiltInAlarmSound::policeAlarm));
    EXPECT_EQ(worker.waiting(), 0u);
    controller->release();
    EXPECT_EQ(players.livePlayers(), 0);
}

TEST_F(AlarmPlaybackControllerTest, APlayDuringThePreparationWaitsForItUnlessReleasedOrStopped)
{
    const auto police = builtInPath("police-alarm");
    struct Case
    {
        std::string name;
        std::function<void()> meanwhile;
        Strings log;
        bool playing;
        int livePlayers;
    };
    const std::vector<Case> cases{
        {"nothing", [] {}, {"open " + police, "volume " + police + " 1", "play " + police}, true, 1},
        {"release",
         [this] { controller->release(); },
         {"open " + police, "open " + police, "volume " + police + " 1", "play " + police},
         true,
         1},
        {"stop", [this] { controller->stop(); }, {"open " + police}, false, 1}};
    for (const auto& [name, meanwhile, log, playing, live] : cases) {
        SCOPED_TRACE(name);
        controller->release();
        settle();
        players.clearLog();
        controller->prepare(builtIn(BuiltInAlarmSound::policeAlarm));
        play(builtIn(BuiltInAlarmSound::policeAlarm));
        EXPECT_TRUE(controller->isPlaying());
        meanwhile();
        settle();
        EXPECT_EQ(players.log(), log);
        EXPECT_EQ(controller->isPlaying(), playing);
        EXPECT_EQ(players.livePlayers(), live);
        controller->stop();
    }
}

TEST_F(AlarmPlaybackControllerTest, APreparedSoundWhoseServerWentAwayIsOpenedAgainAtOnce)
{
    const auto police = builtInPath("police-alarm");
    controller->prepare(builtIn(BuiltInAlarmSound::policeAlarm));
    settle();
    ++players.serverRestarts;
    players.clearLog();
    ::testing::internal::CaptureStderr();
    play(builtIn(BuiltInAlarmSound::policeAlarm), 0.65f);
    advance(0.099);
    EXPECT_EQ(players.log(), (Strings{"volume " + police + " 1", "play " + police}));
    advance(0.001);
    settle();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "AlarmPlaybackController sound failed while playing; opening it again.\n");
    EXPECT_EQ(players.log(), (Strings{"volume " + police + " 1", "play " + police, "stop " + police,
                                      "open " + police, "volume " + police + " 1", "play " + police}));
    EXPECT_TRUE(controller->isPlaying());
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.65f);
    advance(2.999);
    EXPECT_TRUE(controller->isPlaying());
}

TEST_F(AlarmPlaybackControllerTest, ASoundLostWithItsServerWaitsQuietlyForAnOutputWithoutUsingUpItsTries)
{
    const auto police = builtInPath("police-alarm");
    EXPECT_EQ(playThenLoseTheServer(builtIn(BuiltInAlarmSound::policeAlarm), police, 10.0),
              "AlarmPlaybackController sound failed while playing; opening it again.\n"
              "AlarmPlaybackController custom file error: Connection refused\n"
              "AlarmPlaybackProbe custom file error: Connection refused\n"
              "AlarmPlaybackController has no output device; waiting for one to play again.\n");
    EXPECT_EQ(players.log(), (Strings{"stop " + police, "open " + police, "open " + police}));
    EXPECT_TRUE(controller->isPlaying());

    // The device is back but the first try still fails: that failure is told and uses up a try.
    hardware.defaultDevice = 5;
    players.clearLog();
    ::testing::internal::CaptureStderr();
    advance(0.25);
    settle();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "AlarmPlaybackProbe custom file error: Connection refused\n");
    players.files[police].error.clear();
    advance(0.18);
    settle();
    EXPECT_EQ(players.log(),
              (Strings{"open " + police, "open " + police, "volume " + police + " 1", "play " + police}));
    runUntil([&] { return !controller->isPlaying(); }, 15.0);
    const auto log = players.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "play " + police), 2);
}

TEST_F(AlarmPlaybackControllerTest, ACustomSoundLostWithItsServerIsPlayedAgainRatherThanTheDefault)
{
    const std::string boom = "/clips/boom.wav";
    players.files[boom] = {4.0, {}, 0};
    EXPECT_EQ(playThenLoseTheServer(AlarmSoundSelection::customFile(boom, "Boom"), boom, 5.0),
              "AlarmPlaybackController sound failed while playing; opening it again.\n"
              "AlarmPlaybackController custom file error: Connection refused\n"
              "AlarmPlaybackController has no output device; waiting for one to play again.\n");
    EXPECT_EQ(players.log(), (Strings{"stop " + boom, "open " + boom}));

    hardware.defaultDevice = 5;
    players.files[boom].error.clear();
    players.clearLog();
    advance(0.25);
    settle();
    EXPECT_EQ(players.log(), (Strings{"open " + boom, "volume " + boom + " 1", "play " + boom}));
    EXPECT_TRUE(controller->isPlaying());

    // Prepared while there is no device, it is tried alone: no default sound stands ready in its place.
    controller->stop();
    hardware.defaultDevice.reset();
    players.files[boom].error = "Connection refused";
    players.clearLog();
    ::testing::internal::CaptureStderr();
    controller->prepare(AlarmSoundSelection::customFile(boom, "Boom"));
    settle();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(players.log(), (Strings{"open " + boom}));
}

TEST_F(AlarmPlaybackControllerTest, PreparationFollowsTheSelectionAndFallsBackAsPlayDoes)
{
    const auto handsOff = builtInPath("hands-off");
    ::testing::internal::CaptureStderr();
    controller->prepare(AlarmSoundSelection::customFile("/gone/Boom.m4a", "Boom"));
    settle();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "AlarmPlaybackController custom file error: The file \"/gone/Boom.m4a\" couldn't be opened "
              "because there is no such file.\n");
    players.clearLog();
    play(AlarmSoundSelection::customFile("/gone/Boom.m4a", "Boom"));
    EXPECT_EQ(players.log(), (Strings{"volume " + handsOff + " 1", "play " + handsOff}));

    controller->stop();
    controller->prepare(builtIn(BuiltInAlarmSound::whatAreYouDoing));
    settle();
    EXPECT_EQ(players.livePlayers(), 1);
    players.clearLog();
    play(builtIn(BuiltInAlarmSound::policeAlarm));
    settle();
    const auto police = builtInPath("police-alarm");
    EXPECT_EQ(players.log(), (Strings{"open " + police, "volume " + police + " 1", "play " + police}));
    EXPECT_EQ(players.livePlayers(), 2);

    directories.files.erase(builtInPath("hands-off"));
    controller->prepare(builtIn(BuiltInAlarmSound::handsOff));
    EXPECT_EQ(worker.waiting(), 0u);
    controller.reset();
    EXPECT_EQ(players.livePlayers(), 0);
}

TEST_F(AlarmPlaybackControllerTest, OverrideIsClampedAndNoneLeavesTheSystemVolumeAlone)
{
    play(builtIn(BuiltInAlarmSound::handsOff), 1.4f);
    EXPECT_EQ(hardware.devices[5].volume[0].value, 1.0f);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 0u);
    play(builtIn(BuiltInAlarmSound::handsOff), -0.2f);
    EXPECT_EQ(hardware.devices[5].volume[1].value, 0.0f);
    controller->stop();
    EXPECT_EQ(hardware.devices[5].volume[0].value, 0.3f);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 1u);

    hardware.calls.clear();
    play(builtIn(BuiltInAlarmSound::handsOff));
    settle();
    advance(1.0);
    EXPECT_TRUE(hardware.calls.empty());
    EXPECT_FALSE(hardware.changeHandler);
}

TEST_F(AlarmPlaybackControllerTest, RefreshPutsMuteAndVolumeBackEveryHalfSecondWhilePlaying)
{
    play(builtIn(BuiltInAlarmSound::policeAlarm), 0.65f);
    settle();
    hardware.devices[5].mute[0].value = 1;
    hardware.devices[5].volume[0].value = 0.1f;
    advance(0.499);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 1u);
    advance(0.001);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 0u);
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.65f);
    EXPECT_EQ(players.log().back(), "volume " + builtInPath("police-alarm") + " 1");

    advance(2.5);
    EXPECT_FALSE(controller->isPlaying());
    hardware.devices[5].mute[0].value = 1;
    advance(2.0);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 1u);
    EXPECT_TRUE(controller->audioOverrideController().isOverriding());
}

TEST_F(AlarmPlaybackControllerTest, ChangeEventsUndoAnAttackAtOnceWhilePlaying)
{
    play(builtIn(BuiltInAlarmSound::policeAlarm), 0.8f);
    settle();
    ASSERT_TRUE(hardware.changeHandler);
    hardware.devices[5].mute[0].value = 1;
    hardware.changeHandler();
    EXPECT_EQ(hardware.devices[5].mute[0].value, 0u);
    hardware.devices[5].volume[2].value = 0.05f;
    hardware.changeHandler();
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[2].value, 0.8f);

    hardware.calls.clear();
    hardware.changeHandler();
    EXPECT_TRUE(hardware.writes().empty());

    advance(3.0);
    EXPECT_FALSE(controller->isPlaying());
    EXPECT_FALSE(hardware.changeHandler);
}

TEST_F(AlarmPlaybackControllerTest, ASecondPlayIsNotCutShortByTheFirst)
{
    play(builtIn(BuiltInAlarmSound::policeAlarm));
    settle();
    advance(1.0);
    play(builtIn(BuiltInAlarmSound::whatAreYouDoing));
    EXPECT_EQ(players.log().back(), "stop " + builtInPath("police-alarm"));
    settle();
    advance(1.999);
    EXPECT_TRUE(controller->isPlaying());
    advance(0.001);
    EXPECT_FALSE(controller->isPlaying());
}

TEST_F(AlarmPlaybackControllerTest, TheFirstSnapshotSurvivesFinishedPlaybacksUntilStop)
{
    play(builtIn(BuiltInAlarmSound::handsOff), 0.5f);
    settle();
    advance(2.0);
    EXPECT_FALSE(controller->isPlaying());
    EXPECT_TRUE(controller->audioOverrideController().isOverriding());
    hardware.calls.clear();
    play(builtIn(BuiltInAlarmSound::handsOff), 0.9f);
    EXPECT_EQ(std::count_if(hardware.calls.begin(), hardware.calls.end(),
                            [](const auto& call) { return call.starts_with("read"); }),
              0);
    controller->stop();
    EXPECT_FALSE(controller->isPlaying());
    EXPECT_EQ(hardware.devices[5].volume[0].value, 0.3f);
    EXPECT_EQ(hardware.devices[5].mute[2].value, 1u);
    EXPECT_FALSE(controller->audioOverrideController().isOverriding());
}

TEST_F(AlarmPlaybackControllerTest, ADeletedCustomFilePlaysTheDefaultSound)
{
    ::testing::internal::CaptureStderr();
    play(AlarmSoundSelection::customFile("/gone/Boom.m4a", "Boom"));
    settle();
    const auto errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors,
              "AlarmPlaybackController custom file error: The file \"/gone/Boom.m4a\" couldn't be opened "
              "because there is no such file.\n");
    const auto handsOff = builtInPath("hands-off");
    EXPECT_EQ(players.log(), (Strings{"open /gone/Boom.m4a", "open " + handsOff, "volume " + handsOff + " 1",
                                      "play " + handsOff}));
    EXPECT_TRUE(controller->isPlaying());
}

TEST_F(AlarmPlaybackControllerTest, AMissingBuiltInFilePlaysItsPatternAndOneThatFailsIsTriedAgain)
{
    const auto police = builtInPath("police-alarm");
    const std::string failure = "The sound could not be prepared in time.";
    const auto failed = "AlarmPlaybackController custom file error: " + failure + "\n";
    const auto retryFailed = "AlarmPlaybackProbe custom file error: " + failure + "\n";
    Strings pattern;
    for (int tone = 0; tone < 6; ++tone) {
        const auto name = "wav#" + std::to_string(tone);
        pattern.insert(pattern.end(),
                       {"open " + name, "volume " + name + " 1", "play " + name, "stop " + name});
    }
    Strings played{"open " + police};
    for (int repetition = 0; repetition < 3; ++repetition) {
        played.insert(played.end(),
                      {"open " + police, "volume " + police + " 1", "play " + police, "stop " + police});
    }
    const struct
    {
        const char* name;
        std::function<void()> breakFile;
        std::function<void()> afterFirstOpen;
        Strings log;
        std::string errors;
        double seconds;
    } cases[] = {
        // Tones of 0.16 and 0.18 s, each with its 0.05 s tail, 0.08 s apart, and 0.18 s between repeats.
        {"missing", [&] { directories.files.erase(police); }, [] {}, pattern, "",
         3 * (0.21 + 0.08 + 0.23) + 2 * 0.18},
        {"failing every time", [&] { players.files[police].error = failure; }, [] {},
         Strings(4, "open " + police), failed + retryFailed + retryFailed + retryFailed, 2 * 0.18},
        {"failing once", [&] { players.files[police].error = failure; },
         [&] { players.files[police].error.clear(); }, played, failed, 3 * 3.0 + 2 * 0.18},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        directories.files.insert(police);
        players.files[police] = {3.0, {}, 0};
        entry.breakFile();
        players.clearLog();
        players.wavBuffers.clear();
        ::testing::internal::CaptureStderr();
        const auto started = clock.now();
        play(builtIn(BuiltInAlarmSound::policeAlarm));
        worker.runAll();
        entry.afterFirstOpen();
        runUntil([&] { return !controller->isPlaying(); });
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), entry.errors);
        EXPECT_EQ(players.log(), entry.log);
        EXPECT_NEAR(secondsBetween(started, clock.now()), entry.seconds, 0.015);
        EXPECT_EQ(players.livePlayers(), 0);
    }
}

TEST_F(AlarmPlaybackControllerTest, AStopEndsTheFallbackAtOnceWhateverItIsDoing)
{
    const auto police = builtInPath("police-alarm");
    const auto opens = [&] {
        const auto log = players.log();
        return std::count(log.begin(), log.end(), "open " + police);
    };
    const auto succeedFromNowOn = [&] { players.files[police].error.clear(); };
    const struct
    {
        const char* name;
        std::function<void()> reach;
        bool silencedByTheStop;
        bool missing = false;
    } cases[] = {
        {"the file still opening", [] {}, false},
        {"the file's failure on its way back", [&] { worker.runAll(); }, false},
        {"a repetition opening",
         [&] {
             worker.runAll();
             queue.runPending();
         },
         false},
        {"a repetition playing",
         [&] {
             worker.runAll();
             succeedFromNowOn();
             runUntil([&] { return logged("play " + police); });
         },
         true},
        {"the pause after a played repetition",
         [&] {
             worker.runAll();
             succeedFromNowOn();
             runUntil([&] { return logged("stop " + police); });
         },
         false},
        {"the pause after a failed repetition", [&] { runUntil([&] { return opens() == 2; }); }, false},
        {"a pattern tone playing", [&] { runUntil([&] { return logged("play wav#2"); }); }, true, true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        directories.files.insert(police);
        if (entry.missing) {
            directories.files.erase(police);
        }
        players.files[police] = {3.0, "The sound could not be prepared in time.", 0};
        players.clearLog();
        ::testing::internal::CaptureStderr();
        play(builtIn(BuiltInAlarmSound::policeAlarm), 0.65f);
        entry.reach();
        const auto before = players.log();
        const auto inFlight = static_cast<long>(worker.waiting());
        controller->stop();
        EXPECT_FALSE(controller->isPlaying());
        EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.3f);
        if (entry.silencedByTheStop) {
            EXPECT_EQ(players.log().back(), "stop " + before.back().substr(5));
        }
        runUntil([] { return false; }, 12.0);
        ::testing::internal::GetCapturedStderr();
        const auto after = players.log();
        const auto since = after.begin() + static_cast<long>(before.size());
        EXPECT_EQ(
            std::count_if(since, after.end(), [](const auto& line) { return line.starts_with("open"); }),
            inFlight);
        EXPECT_EQ(
            std::count_if(since, after.end(), [](const auto& line) { return line.starts_with("play"); }), 0);
        EXPECT_FALSE(controller->isPlaying());
        EXPECT_EQ(players.livePlayers(), 0);
        EXPECT_EQ(queue.activeTaskCount(), 0u);
    }
}

TEST_F(AlarmPlaybackControllerTest, AToneThatCannotBeOpenedEndsTheFallback)
{
    directories.files.erase(builtInPath("hands-off"));
    players.wavError = "Connection refused";
    ::testing::internal::CaptureStderr();
    play(builtIn(BuiltInAlarmSound::handsOff));
    settle();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "AlarmPlaybackController tone error: Connection refused\n");
    EXPECT_EQ(players.log(), Strings{"open wav#0"});
    EXPECT_FALSE(controller->isPlaying());
}

TEST_F(AlarmPlaybackControllerTest, ADurationKnownOnlyOncePlayingIsWaitedFor)
{
    players.files["/clips/late.mp3"] = {1.0, {}, 3};
    players.files["/clips/never.mp3"] = {std::nullopt, {}, 0};
    for (const auto& [path, seconds] : {std::pair{"/clips/late.mp3", 1.0}, {"/clips/never.mp3", 30.0}}) {
        SCOPED_TRACE(path);
        play(AlarmSoundSelection::customFile(path, "Late"));
        settle();
        advance(seconds - 0.05);
        EXPECT_TRUE(controller->isPlaying());
        advance(0.1);
        EXPECT_FALSE(controller->isPlaying());
    }
}

TEST_F(AlarmPlaybackControllerTest, NoDeviceAtFirstIsTakenOverWhenItAppears)
{
    hardware.defaultDevice.reset();
    play(builtIn(BuiltInAlarmSound::policeAlarm), 0.7f);
    settle();
    EXPECT_TRUE(hardware.writes().empty());
    hardware.defaultDevice = 5;
    advance(0.5);
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.7f);
    controller->stop();
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.3f);
}

TEST_F(AlarmPlaybackControllerTest, DestroyingAPlayingControllerStopsTheSoundAndGivesTheDeviceBack)
{
    hardware.devices[5].volume[2].value = 0.4f;
    play(builtIn(BuiltInAlarmSound::policeAlarm), 0.65f);
    settle();
    ASSERT_EQ(players.livePlayers(), 1);
    ASSERT_EQ(hardware.devices[5].mute[0].value, 0u);
    controller.reset();
    EXPECT_EQ(players.log().back(), "stop " + builtInPath("police-alarm"));
    EXPECT_EQ(players.livePlayers(), 0);
    EXPECT_EQ(hardware.writes(),
              (Strings{"writeMute 0=0", "writeMute 1=0", "writeMute 2=0", "writeVolume 0=0.65",
                       "writeVolume 1=0.65", "writeVolume 2=0.65", "writeMute 0=1", "writeMute 1=1",
                       "writeMute 2=1", "writeVolume 0=0.3", "writeVolume 1=0.3", "writeVolume 2=0.4"}));
    EXPECT_FALSE(hardware.changeHandler);
    advance(5.0);
    EXPECT_EQ(queue.activeTaskCount(), 0u);
}

TEST_F(AlarmPlaybackControllerTest, WorkFinishingAfterTheControllerIsGoneIsIgnored)
{
    directories.files.erase(builtInPath("hands-off"));
    play(builtIn(BuiltInAlarmSound::handsOff), 0.5f);
    players.files["/clips/a.wav"] = {1.0, {}, 0};
    controller.reset();
    settle();
    advance(5.0);
    EXPECT_EQ(players.livePlayers(), 0);
}

} // namespace
} // namespace hollerbox::testing
