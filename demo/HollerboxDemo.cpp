// Shows the background monitor guarding an emulated laptop made of real parts: a private PulseAudio whose
// null sink is muted at 20 %, an emulated IIO accelerometer and a mocked logind. The laptop is lifted, the
// alarm sounds, the monitor is stopped with SIGTERM, and what happened is printed.

#include "EmulatedLaptop.h"
#include "MonitorProcess.h"
#include "MonitorRecorder.h"
#include "QtTestApplication.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <iostream>

using namespace hollerbox::testing;
using namespace std::chrono_literals;

namespace {

std::string sinkText(const std::optional<PulseAudioServer::SinkState>& state)
{
    if (!state) {
        return "unreadable";
    }
    std::string text = state->muted ? "muted" : "unmuted";
    text += ", volume";
    for (const double channel : state->channelVolumes) {
        text += " " + std::to_string(static_cast<int>(std::lround(channel * 100))) + " %";
    }
    return text;
}

std::string decibels(double fraction)
{
    if (fraction <= 0) {
        return "-inf dBFS";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f dBFS", 20 * std::log10(fraction));
    return buffer;
}

void printNewLines(const MonitorProcess& monitor, std::size_t& printed)
{
    for (; printed < monitor.lines().size(); ++printed) {
        std::cout << "  monitor | " << monitor.lines()[printed].text << '\n';
    }
    std::cout.flush();
}

int fail(const std::string& message)
{
    std::cerr << "demo: " << message << '\n';
    return 1;
}

} // namespace

int main()
{
    ensureCoreApplication();
    QTemporaryDir directory;
    EmulatedLaptop laptop;
    std::cout << "Starting the emulated laptop: private PulseAudio (null sink muted at 20 %), mocked logind, "
                 "emulated IIO accelerometer.\n";
    EmulatedLaptop::Options options;
    options.sensor = EmulatedLaptop::Sensor::iio;
    if (!laptop.start(options)) {
        return fail(laptop.error());
    }
    std::cout << "Sink before the monitor starts: " << sinkText(laptop.pulse().sinkState()) << "\n\n";

    MonitorRecorder recorder{laptop.pulse().serverAddress(), PulseAudioServer::sinkName};
    if (!recorder.start()) {
        return fail("could not record the sink's monitor");
    }

    const auto logFile = directory.filePath(QStringLiteral("background-monitor.log"));
    MonitorProcess monitor{
        {"--arm-delay", "1", "--alarm-volume", "0.65", "--repeat-seconds", "2", "--log-file", logFile},
        laptop.monitorEnvironment(directory.filePath(QStringLiteral("home")))};
    std::cout << "Running " << MonitorProcess::programPath().toStdString()
              << " --arm-delay 1 --alarm-volume 0.65 --repeat-seconds 2 --log-file " << logFile.toStdString()
              << "\n";
    if (!monitor.start()) {
        return fail("the monitor did not start");
    }
    std::size_t printed = 0;
    if (!monitor.waitForLine("Move the locked Mac", 15s)) {
        printNewLines(monitor, printed);
        return fail("the monitor did not arm");
    }
    printNewLines(monitor, printed);

    std::cout << "\nLifting the laptop (a tilt of 0.1 g held for one second)...\n";
    laptop.tilt(true);
    const auto triggered = monitor.waitForLine("state=triggered", 5s);
    monitor.collectFor(1s);
    laptop.tilt(false);
    printNewLines(monitor, printed);
    if (!triggered) {
        return fail("the alarm did not trigger");
    }
    const auto triggeredAt = monitor.lines()[*triggered].arrivedAt;

    std::cout << "\nLetting the alarm sound for four seconds...\n";
    monitor.collectFor(2s);
    const auto duringAlarm = laptop.pulse().sinkState();
    monitor.collectFor(2s);
    printNewLines(monitor, printed);

    std::cout << "\nStopping the monitor with SIGTERM...\n";
    const auto sentAt = monitor.terminate();
    const bool exited = monitor.waitForExit(2s);
    printNewLines(monitor, printed);
    const auto afterStop = laptop.pulse().sinkState();
    const auto from = recorder.frameAt(triggeredAt);
    const auto to = recorder.frameAt(sentAt);
    const double rms = recorder.rms(from, to);
    const double peak = recorder.peak(from, to);
    recorder.stop();

    std::cout << "\n=== The monitor's log file ===\n";
    QFile log{logFile};
    if (log.open(QIODevice::ReadOnly)) {
        std::cout << log.readAll().toStdString();
    }
    std::cout << "\n=== Results ===\n";
    std::cout << "Monitor exit:            "
              << (exited ? "status " + std::to_string(monitor.exitCode()) + " after " +
                               std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  monitor.exitedAt() - sentAt)
                                                  .count()) +
                               " ms"
                         : std::string{"did not exit"})
              << '\n';
    std::cout << "Sound recorded from sink: RMS " << decibels(rms) << ", peak " << decibels(peak) << " over "
              << (to - from) / MonitorRecorder::sampleRate << " s of alarm\n";
    std::cout << "Sink during the alarm:    " << sinkText(duringAlarm) << '\n';
    std::cout << "Sink after the stop:      " << sinkText(afterStop) << " (restored)\n";
    std::cout << "Sleep inhibitors left:    " << laptop.logind().listInhibitors().size() << '\n';

    const bool heard = rms > 0.02;
    const bool restored = afterStop && afterStop->muted;
    if (!exited || monitor.exitCode() != 0 || !heard || !restored) {
        return fail("the demo did not go as expected");
    }
    std::cout << "\nThe alarm was heard at the forced volume and the user's settings came back.\n";
    return 0;
}
