#include "audio/AlarmPreviewController.h"

#include "PlaybackFixture.h"

namespace hollerbox::testing {
namespace {

using Strings = std::vector<std::string>;
using States = std::vector<bool>;

class AlarmPreviewControllerTest : public PlaybackFixture
{
protected:
    std::unique_ptr<AlarmPreviewController> makeController(States& states)
    {
        auto made = std::make_unique<AlarmPreviewController>(
            std::make_unique<SystemAudioOverrideController>(hardware), players, sounds, queue, worker, clock);
        made->setOnPlaybackStateChanged([&states](bool playing) { states.push_back(playing); });
        return made;
    }

    static AlarmSoundSelection builtIn(BuiltInAlarmSound::Value sound)
    {
        return AlarmSoundSelection::builtIn(sound);
    }

    bool deviceIsUserState() const
    {
        const auto& device = hardware.devices.at(5);
        return device.mute[0].value == 1 && device.volume[0].value == 0.3f && device.volume[2].value == 0.3f;
    }

    States states;
    std::unique_ptr<AlarmPreviewController> controller = makeController(states);
};

TEST_F(AlarmPreviewControllerTest, AFilePlaysForItsDurationButAtLeastAQuarterSecond)
{
    for (const auto& entry : durationCases()) {
        SCOPED_TRACE(entry.file);
        states.clear();
        players.clearLog();
        controller->play(entry.selection, std::nullopt);
        EXPECT_TRUE(controller->isPlaying());
        EXPECT_EQ(states, States{true});
        settle();
        EXPECT_EQ(players.log(),
                  (Strings{"open " + entry.file, "volume " + entry.file + " 1", "play " + entry.file}));
        advance(entry.seconds - 0.001);
        EXPECT_TRUE(controller->isPlaying());
        advance(0.001);
        EXPECT_FALSE(controller->isPlaying());
        EXPECT_EQ(states, (States{true, false}));
        EXPECT_EQ(players.log().back(), "stop " + entry.file);
        EXPECT_EQ(players.livePlayers(), 0);
        queue.runPending();
        EXPECT_EQ(queue.activeTaskCount(), 0u);
    }
    EXPECT_TRUE(hardware.calls.empty());
}

TEST_F(AlarmPreviewControllerTest, AReplacedPreviewsStopTaskDoesNotEndItsSuccessor)
{
    controller->play(builtIn(BuiltInAlarmSound::policeAlarm), std::nullopt);
    settle();
    advance(2.5);
    controller->play(builtIn(BuiltInAlarmSound::handsOff), std::nullopt);
    EXPECT_EQ(players.log().back(), "stop " + builtInPath("police-alarm"));
    advance(1.0);
    EXPECT_TRUE(controller->isPlaying());
    settle();
    advance(1.899);
    EXPECT_TRUE(controller->isPlaying());
    advance(0.001);
    EXPECT_FALSE(controller->isPlaying());
    EXPECT_EQ(states, (States{true, false, true, false}));
}

TEST_F(AlarmPreviewControllerTest, WorkOfAReplacedPreviewFinishingLateChangesNothing)
{
    directories.files.erase(builtInPath("what-are-you-doing"));
    const auto police = builtInPath("police-alarm");
    const struct
    {
        const char* name;
        BuiltInAlarmSound::Value first;
    } cases[] = {{"a fallback still opening", BuiltInAlarmSound::whatAreYouDoing},
                 {"a file still opening", BuiltInAlarmSound::handsOff}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        controller->play(builtIn(entry.first), std::nullopt);
        controller->play(builtIn(BuiltInAlarmSound::policeAlarm), std::nullopt);
        players.clearLog();
        settle();
        const auto log = players.log();
        EXPECT_EQ(std::count(log.begin(), log.end(), "play " + police), 1);
        EXPECT_EQ(
            std::count_if(log.begin(), log.end(), [](const auto& line) { return line.starts_with("play"); }),
            1);
        EXPECT_TRUE(controller->isPlaying());
        advance(2.999);
        EXPECT_TRUE(controller->isPlaying());
        advance(0.001);
        EXPECT_FALSE(controller->isPlaying());
        EXPECT_EQ(players.livePlayers(), 0);
    }
}

TEST_F(AlarmPreviewControllerTest, TheOverrideHoldsWhilePlayingAndEveryEndRestoresTheUsersDevice)
{
    const struct
    {
        const char* name;
        std::function<void()> end;
        States states;
    } cases[] = {
        {"stop", [this] { controller->stop(); }, {true, false}},
        {"the sound's end", [this] { advance(1.9); }, {true, false}},
        {"a new preview",
         [this] { controller->play(builtIn(BuiltInAlarmSound::policeAlarm), std::nullopt); },
         {true, false, true}},
        {"destruction", [this] { controller.reset(); }, {true}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        states.clear();
        controller = makeController(states);
        controller->play(builtIn(BuiltInAlarmSound::handsOff), 1.4f);
        settle();
        auto& device = hardware.devices[5];
        EXPECT_EQ(device.mute[0].value, 0u);
        EXPECT_EQ(device.volume[0].value, 1.0f);
        device.mute[0].value = 1;
        device.volume[1].value = 0.1f;
        advance(0.499);
        EXPECT_EQ(device.mute[0].value, 1u);
        advance(0.001);
        EXPECT_EQ(device.mute[0].value, 0u);
        EXPECT_EQ(device.volume[1].value, 1.0f);
        EXPECT_EQ(players.log().back(), "volume " + builtInPath("hands-off") + " 1");
        entry.end();
        EXPECT_TRUE(deviceIsUserState());
        EXPECT_EQ(states, entry.states);
        hardware.calls.clear();
        settle();
        advance(5.0);
        EXPECT_TRUE(hardware.writes().empty());
        EXPECT_EQ(players.livePlayers(), 0);
    }
}

TEST_F(AlarmPreviewControllerTest,
       WithoutOverrideTheDeviceIsUntouchedAndAMissingDeviceIsTakenOverWhenItAppears)
{
    controller->play(builtIn(BuiltInAlarmSound::policeAlarm), std::nullopt);
    settle();
    advance(4.0);
    EXPECT_TRUE(hardware.calls.empty());
    hardware.defaultDevice.reset();
    controller->play(builtIn(BuiltInAlarmSound::policeAlarm), -0.2f);
    settle();
    EXPECT_TRUE(hardware.writes().empty());
    hardware.defaultDevice = 5;
    advance(0.5);
    EXPECT_EQ(hardware.devices[5].volume[0].value, 0.0f);
    EXPECT_EQ(hardware.devices[5].mute[0].value, 0u);
    advance(2.5);
    EXPECT_TRUE(deviceIsUserState());
}

TEST_F(AlarmPreviewControllerTest, WhatCannotBePlayedFallsBackToTheDefaultSoundOrATone)
{
    players.files["/clips/broken.m4a"] = {1.0, "Could not determine type of stream.", 0};
    const auto handsOff = builtInPath("hands-off");
    const auto gone = AlarmSoundSelection::customFile("/gone/Boom.m4a", "Custom Sound 1");
    const Strings playsHandsOff{"open " + handsOff, "volume " + handsOff + " 1", "play " + handsOff};
    const Strings playsTone{"open wav#0", "volume wav#0 1", "play wav#0"};
    const auto after = [](Strings first, const Strings& then) {
        first.insert(first.end(), then.begin(), then.end());
        return first;
    };
    const struct
    {
        const char* name;
        AlarmSoundSelection selection;
        std::function<void()> setUp;
        Strings log;
    } cases[] = {
        {"a missing custom file", gone, [] {}, after({"open /gone/Boom.m4a"}, playsHandsOff)},
        {"an unreadable custom file", AlarmSoundSelection::customFile("/clips/broken.m4a", "Custom Sound 2"),
         [] {}, after({"open /clips/broken.m4a"}, playsHandsOff)},
        {"a missing built-in file", builtIn(BuiltInAlarmSound::whatAreYouDoing),
         [&] { directories.files.erase(builtInPath("what-are-you-doing")); }, playsHandsOff},
        {"no default sound either", gone, [&] { directories.files.erase(handsOff); },
         after({"open /gone/Boom.m4a"}, playsTone)},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        entry.setUp();
        states.clear();
        players.clearLog();
        players.wavBuffers.clear();
        controller->play(entry.selection, 0.5f);
        settle();
        EXPECT_EQ(players.log(), entry.log);
        EXPECT_TRUE(controller->isPlaying());
        controller->stop();
        EXPECT_EQ(players.log().back(), "stop " + entry.log.back().substr(5));
        EXPECT_EQ(states, (States{true, false}));
        EXPECT_TRUE(deviceIsUserState());
        settle();
        advance(5.0);
        EXPECT_EQ(players.log().size(), entry.log.size() + 1);
        EXPECT_EQ(players.livePlayers(), 0);
    }
    EXPECT_EQ(players.wavBuffers,
              std::vector<std::vector<std::uint8_t>>{AlarmPlaybackProbe::toneWav(1320, 0.18)});
}

TEST_F(AlarmPreviewControllerTest, AFallbackThatFailsTooReportsItAndEnds)
{
    const auto handsOff = builtInPath("hands-off");
    const struct
    {
        const char* name;
        AlarmSoundSelection selection;
        std::function<void()> setUp;
        Strings log;
        std::string errors;
    } cases[] = {
        {"the default sound, tried again",
         builtIn(BuiltInAlarmSound::handsOff),
         [&] { players.files[handsOff].error = "The sound could not be prepared in time."; },
         {"open " + handsOff, "open " + handsOff},
         "AlarmPlaybackProbe custom file error: The sound could not be prepared in time.\n"},
        {"the tone",
         AlarmSoundSelection::customFile("/gone/Boom.m4a", "Custom Sound 1"),
         [&] {
             directories.files.erase(handsOff);
             players.wavError = "Connection refused";
         },
         {"open /gone/Boom.m4a", "open wav#0"},
         "AlarmPlaybackProbe error: Connection refused\n"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        entry.setUp();
        states.clear();
        players.clearLog();
        ::testing::internal::CaptureStderr();
        controller->play(entry.selection, 0.5f);
        settle();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), entry.errors);
        EXPECT_EQ(players.log(), entry.log);
        EXPECT_EQ(states, (States{true, false}));
        EXPECT_TRUE(deviceIsUserState());
    }
}

TEST_F(AlarmPreviewControllerTest, APreviewDoesNotDisturbATestAlarmOnTheOtherController)
{
    States testAlarmStates;
    auto testAlarm = makeController(testAlarmStates);
    testAlarm->play(builtIn(BuiltInAlarmSound::policeAlarm), 0.8f);
    controller->play(builtIn(BuiltInAlarmSound::handsOff), std::nullopt);
    settle();
    controller->stop();
    EXPECT_TRUE(testAlarm->isPlaying());
    EXPECT_FLOAT_EQ(hardware.devices[5].volume[0].value, 0.8f);
    EXPECT_EQ(testAlarmStates, States{true});
    advance(2.999);
    EXPECT_TRUE(testAlarm->isPlaying());
    advance(0.001);
    EXPECT_FALSE(testAlarm->isPlaying());
    EXPECT_TRUE(deviceIsUserState());
    EXPECT_EQ(testAlarmStates, (States{true, false}));
    EXPECT_EQ(states, (States{true, false}));
}

TEST_F(AlarmPreviewControllerTest, ADurationKnownOnlyOncePlayingIsWaitedFor)
{
    players.files["/clips/late.mp3"] = {1.0, {}, 3};
    players.files["/clips/never.mp3"] = {std::nullopt, {}, 0};
    for (const auto& [path, seconds] : {std::pair{"/clips/late.mp3", 1.0}, {"/clips/never.mp3", 30.0}}) {
        SCOPED_TRACE(path);
        controller->play(AlarmSoundSelection::customFile(path, "Custom Sound 1"), std::nullopt);
        settle();
        advance(seconds - 0.05);
        EXPECT_TRUE(controller->isPlaying());
        advance(0.1);
        EXPECT_FALSE(controller->isPlaying());
    }
}

TEST_F(AlarmPreviewControllerTest, BackgroundWorkFinishingAfterDestructionIsIgnored)
{
    directories.files.erase(builtInPath("police-alarm"));
    for (const auto sound : {BuiltInAlarmSound::policeAlarm, BuiltInAlarmSound::handsOff}) {
        controller = makeController(states);
        controller->play(builtIn(sound), 0.5f);
        controller.reset();
        EXPECT_TRUE(deviceIsUserState());
        settle();
        advance(5.0);
        EXPECT_EQ(players.livePlayers(), 0);
        EXPECT_EQ(queue.activeTaskCount(), 0u);
    }
    EXPECT_EQ(states, (States{true, true}));
}

} // namespace
} // namespace hollerbox::testing
