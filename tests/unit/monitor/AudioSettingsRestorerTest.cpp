#include "AudioSettingsRestorer.h"

#include "EventLoopWait.h"
#include "QtTestApplication.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hollerbox {
namespace {

using namespace std::chrono_literals;

TEST(AudioSettingsRestorerTest, GivesUpWithStatusOneWhenNoServerTakesTheWritesInTime)
{
    testing::ensureCoreApplication();
    QTemporaryDir directory;
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + directory.filePath(QStringLiteral("none")).toUtf8());

    std::optional<int> status;
    const auto startedAt = std::chrono::steady_clock::now();
    AudioSettingsRestorer restorer{
        {{"alsa_output.speaker", true, {19661, 19661}}}, [&](int exitStatus) { status = exitStatus; }, 300ms};
    EXPECT_TRUE(testing::waitProcessingEvents([&] { return status.has_value(); }, 3s));
    EXPECT_EQ(status, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - startedAt, 300ms);
    if (previous.isEmpty()) {
        qunsetenv("PULSE_SERVER");
    } else {
        qputenv("PULSE_SERVER", previous);
    }
}

} // namespace
} // namespace hollerbox
