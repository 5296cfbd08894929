#include "PlaybackFixture.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class AlarmPlaybackTest : public RealPlaybackFixture
{
protected:
    /// Plays `selection` at the forced volume 0.65 to its end; returns the RMS of what the sink carried.
    double playToEnd(const AlarmSoundSelection& selection, const std::string& label)
    {
        const auto started = Clock::now();
        controller->play(selection, 3, 180, 0.65f);
        const auto heard = waitUntilHeard(started);
        EXPECT_TRUE(heard.has_value()) << label << " was not heard";
        const auto state = server.sinkState();
        EXPECT_TRUE(state && !state->muted && std::abs(state->channelVolumes.at(0) - 0.65) < 1e-3) << label;
        EXPECT_TRUE(waitUntilFinished()) << label;
        const auto ended = Clock::now();
        processEventsFor(100ms);
        const auto from = recorder.frameAt(started);
        const auto to = recorder.frameAt(ended);
        const auto rms = recorder.rms(from, to);
        std::cout << "[ measure  ] " << label << ": RMS " << rms << ", peak " << recorder.peak(from, to)
                  << ", play to first audible sample " << (heard ? milliseconds(*heard - started) : -1.0)
                  << " ms, playing for " << milliseconds(ended - started) << " ms\n";
        return rms;
    }
};

TEST_F(AlarmPlaybackTest, EachBuiltInSoundIsHeardAtTheForcedVolumeAndTheSinkIsRestored)
{
    for (auto sound : BuiltInAlarmSound::allCases()) {
        EXPECT_GT(playToEnd(AlarmSoundSelection::builtIn(sound), std::string{sound.id()}), 0.02);
    }
    controller->stop();
    const auto state = server.sinkState();
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(state->muted);
    EXPECT_NEAR(state->channelVolumes.at(0), 0.3, 1e-4);
    EXPECT_NEAR(state->channelVolumes.at(1), 0.3, 1e-4);
}

TEST_F(AlarmPlaybackTest, APreparedSoundIsHeardAtOnceHoweverLongItWaitedAndReleaseGivesItsStreamBack)
{
    const auto selection = AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff);
    controller->prepare(selection);
    processEventsFor(1s);
    const auto started = Clock::now();
    controller->play(selection, 3, 180, 0.65f);
    const auto heard = waitUntilHeard(started);
    ASSERT_TRUE(heard.has_value());
    std::cout << "[ measure  ] prepared play to first audible sample " << milliseconds(*heard - started)
              << " ms\n";
    EXPECT_LT(*heard - started, 250ms); // unsynchronised: a synchronised sink waited the second it was paused
    controller->stop();
    ASSERT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().empty(); }, 2s));
    controller->prepare(selection);
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().size() == 1; }, 2s));
    processEventsFor(300ms); // the prepared player reaches the controller
    controller->release();
    EXPECT_TRUE(waitProcessingEvents([&] { return server.sinkInputs().empty(); }, 2s));
}

TEST_F(AlarmPlaybackTest, APreparedSoundWhoseServerRestartedIsOpenedAgainAndHeard)
{
    const auto selection = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
    controller->prepare(selection);
    processEventsFor(500ms);
    server.kill();
    ASSERT_TRUE(server.start()) << server.logs();
    ASSERT_TRUE(recorder.start()) << server.logs();
    ::testing::internal::CaptureStderr();
    const auto started = Clock::now();
    controller->play(selection, 3, 180, std::nullopt);
    const auto heard = waitUntilHeard(started, 5s); // a restarted null sink takes about 2 s
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "AlarmPlaybackController sound failed while playing; opening it again.\n");
    ASSERT_TRUE(heard.has_value());
    std::cout << "[ measure  ] play of a prepared sound whose server restarted to first audible sample "
              << milliseconds(*heard - started) << " ms\n";
}

TEST_F(AlarmPlaybackTest, CustomFilesOfEverySupportedFormatAreHeard)
{
    for (const auto* name : {"tone.wav", "tone.aiff", "tone.aif", "tone.m4a", "tone.mp3", "tone.caf"}) {
        ::testing::internal::CaptureStderr();
        const auto rms = playToEnd(AlarmSoundSelection::customFile(dataFile(name), "Tone"), name);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << name;
        EXPECT_GT(rms, 0.02) << name;
    }
}

TEST_F(AlarmPlaybackTest, UnplayableCustomFilesReportAnErrorAndPlayTheDefaultSound)
{
    const auto directory = std::filesystem::temp_directory_path();
    // A pipe that nobody writes to would block a reader for good.
    const auto pipe = (directory / ("hollerbox-pipe-" + std::to_string(::getpid()) + ".wav")).string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::unique_ptr<const char, decltype([](const char* path) { ::unlink(path); })> removePipe{
        pipe.c_str()};
    for (const auto& path : {dataFile("deleted-file.wav"), dataFile("corrupt.mp3"), dataFile("empty.wav"),
                             dataFile("not-audio.wav"), directory.string(), pipe}) {
        ::testing::internal::CaptureStderr();
        const auto started = Clock::now();
        controller->play(AlarmSoundSelection::customFile(path, "Broken"), 3, 180, 0.65f);
        const auto heard = waitUntilHeard(started);
        const auto errors = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(heard.has_value()) << path;
        EXPECT_TRUE(errors.starts_with("AlarmPlaybackController custom file error: "))
            << path << ": " << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        std::cout << "[ measure  ] " << path << ": " << errors;
        controller->stop();
        ASSERT_TRUE(waitUntilQuiet()) << "the stop silenced the sink";
    }
}

TEST_F(AlarmPlaybackTest, ATruncatedWavPlaysWhatItHas)
{
    ::testing::internal::CaptureStderr();
    controller->play(AlarmSoundSelection::customFile(dataFile("truncated.wav"), "Short"), 3, 180,
                     std::nullopt);
    EXPECT_TRUE(waitUntilFinished(5s));
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(controller->isPlaying());
}

TEST_F(AlarmPlaybackTest, MissingBuiltInFilesPlayTheSynthesisedPatternFromMemory)
{
    QTemporaryDir empty;
    ASSERT_TRUE(QDir{empty.path()}.mkpath("share/hollerbox/Hollerbox_HollerboxCore.bundle"));
    const ResourceDirectoriesLinux bare{empty.path().toStdString() + "/bin/test"};
    const BuiltInSoundLocator noFiles{bare, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    AlarmPlaybackController fallback{
        std::make_unique<SystemAudioOverrideController>(*hardware), *players, noFiles, queue, worker, clock};
    const auto started = Clock::now();
    fallback.play(AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm), 3, 180, 0.65f);
    EXPECT_TRUE(fallback.isPlaying());
    const auto heard = waitUntilHeard(started);
    EXPECT_TRUE(heard.has_value());
    EXPECT_TRUE(waitProcessingEvents([&] { return !fallback.isPlaying(); }, 10s));
    const auto ended = Clock::now();
    processEventsFor(100ms);
    const auto rms = recorder.rms(recorder.frameAt(started), recorder.frameAt(ended));
    std::cout << "[ measure  ] synthesised police pattern: RMS " << rms << ", first audible after "
              << (heard ? milliseconds(*heard - started) : -1.0) << " ms, played for "
              << milliseconds(ended - started) << " ms\n";
    EXPECT_GT(rms, 0.01);
    fallback.stop();
}

} // namespace
} // namespace hollerbox::testing
