#include "model/launch/BackgroundMonitorLaunchRequest.h"

#include "audio/AlarmSoundSelectionCoding.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

/// The fourteen texts for `request`, with `sound` as the value of the sound option.
QStringList expectedArguments(const QStringList& numbers, const QString& sound, const QString& logFilePath)
{
    return {"--arm-delay",      numbers[0], "--threshold-g", numbers[1], "--alarm-volume",       numbers[2],
            "--repeat-seconds", numbers[3], "--poll-ms",     "250",      "--alarm-sound-base64", sound,
            "--log-file",       logFilePath};
}

TEST(BackgroundMonitorLaunchRequestTest, ArgumentsCarryEverySettingInOrder)
{
    struct Row
    {
        BackgroundMonitorLaunchRequest request;
        QStringList numbers;
        QByteArray soundJson;
    };
    const Row rows[] = {
        {{2, 0.05, double{0.65F}, 2, AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm),
          "/home/u/.local/state/Logs/Hollerbox/background-monitor/open-lid-bg-20261205-145635.log"},
         {"2.0", "0.05", "0.6499999761581421", "2.0"},
         R"({"kind":"builtIn","builtIn":"policeAlarm"})"},
        {{0.5, 0.125, 1, 10, AlarmSoundSelection::customFile("/home/u/Sounds/Sirène 2.mp3", "Sirène"),
          "/tmp/a dir/open-lid-bg-20260101-000000-2.log"},
         {"0.5", "0.125", "1.0", "10.0"},
         R"({"kind":"customFile","path":"/home/u/Sounds/Sirène 2.mp3","displayName":"Sirène"})"},
        {{0.1 + 0.2, 1e-3, 0, 0.25, AlarmSoundSelection::builtIn(BuiltInAlarmSound::handsOff), "x.log"},
         {"0.30000000000000004", "0.001", "0.0", "0.25"},
         R"({"kind":"builtIn","builtIn":"handsOff"})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request.logFilePath.toStdString());
        const auto arguments = row.request.arguments();
        EXPECT_EQ(arguments, expectedArguments(row.numbers, QString::fromLatin1(row.soundJson.toBase64()),
                                               row.request.logFilePath));
        // The sound reads back through the monitor's own decoding.
        ASSERT_EQ(arguments.size(), 14);
        EXPECT_EQ(alarmSoundSelectionFromCommandLineValue(arguments[11].toStdString()),
                  row.request.alarmSoundSelection);
    }
}

TEST(BackgroundMonitorLaunchRequestTest, SoundThatCannotBeEncodedIsPassedEmpty)
{
    const BackgroundMonitorLaunchRequest request{
        2, 0.05, 0.5, 2, AlarmSoundSelection::customFile("/tmp/\xff\xfe.wav", "Broken"), "/tmp/x.log"};
    EXPECT_EQ(request.arguments(), expectedArguments({"2.0", "0.05", "0.5", "2.0"}, "", "/tmp/x.log"));
}

} // namespace
} // namespace hollerbox
