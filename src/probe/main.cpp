// HollerboxSensorProbe [seconds]: looks for a motion sensor the way the alarm does, listens to the best
// candidate for a while (3 seconds by default) and prints everything it saw.
// HollerboxSensorProbe --live [seconds]: binds the sensor the alarm would use and prints its reading once a
// second (until interrupted, or for the given number of seconds).

#include "OtherAccelerometers.h"
#include "engine/NumberFormatting.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/LinuxAccelerometerSources.h"
#include "motion/MovementDetector.h"
#include "motion/SPUMovementMonitor.h"
#include "motion/SPUSensorProbe.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <iostream>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "Usage: HollerboxSensorProbe [seconds]\n"
    "       HollerboxSensorProbe --live [seconds]\n"
    "Lists the HID devices that look like the motion sensor, listens to the best one for the given number "
    "of\n"
    "seconds (3 by default, at most 3600) and prints what it found, then lists the IIO and evdev\n"
    "accelerometers. With --live, binds the sensor the alarm would use and prints x, y and z in g once a\n"
    "second with the distance from the first reading, until interrupted or for the given number of "
    "seconds.\n";

std::atomic<bool> interrupted{false};

void noteInterruption(int)
{
    interrupted = true;
}

std::string axesInG(const hollerbox::SPUDecodedAxes& axes)
{
    using hollerbox::formatFixed;
    return "x=" + formatFixed(axes.xG(), 4) + "g y=" + formatFixed(axes.yG(), 4) +
           "g z=" + formatFixed(axes.zG(), 4) + "g";
}

int runLive(std::optional<double> seconds)
{
    hollerbox::MainQueueQt mainQueue;
    hollerbox::ClockSystem clock;
    hollerbox::SPUMovementMonitor monitor{std::make_unique<hollerbox::HidAccessHidraw>(), clock,
                                          hollerbox::makeLinuxAccelerometerSources(mainQueue)};
    monitor.setDiagnosticHandler([](const std::string& line) { std::cout << line << std::endl; });
    if (!monitor.prepare()) {
        return 1;
    }
    std::cout << "Live readings from " << monitor.deviceSummary()->product << " (" << monitor.selectedSource()
              << "), one line per second:" << std::endl;

    std::optional<hollerbox::SPUDecodedAxes> first;
    QTimer firstReading;
    QObject::connect(&firstReading, &QTimer::timeout, &firstReading, [&] {
        first = monitor.detector().latestAxes();
        if (first) {
            firstReading.stop();
        }
    });
    firstReading.start(std::chrono::milliseconds{10});

    int elapsed = 0;
    QTimer everySecond;
    everySecond.setTimerType(Qt::PreciseTimer);
    QObject::connect(&everySecond, &QTimer::timeout, &everySecond, [&] {
        ++elapsed;
        const auto latest = monitor.detector().latestAxes();
        std::cout << "t=" << elapsed << "s ";
        if (!latest || !first) {
            std::cout << "no reading yet" << std::endl;
        } else {
            std::cout << axesInG(*latest) << " delta="
                      << hollerbox::formatFixed(hollerbox::MovementDetector::deltaMagnitudeG(*latest, *first),
                                                4)
                      << "g" << std::endl;
        }
        if (seconds && elapsed >= *seconds) {
            QCoreApplication::quit();
        }
    });
    everySecond.start(std::chrono::seconds{1});

    // An interrupted run still releases the sensor, so that a buffer it enabled is switched off again.
    std::signal(SIGINT, noteInterruption);
    std::signal(SIGTERM, noteInterruption);
    QTimer interruption;
    QObject::connect(&interruption, &QTimer::timeout, &interruption, [] {
        if (interrupted) {
            QCoreApplication::quit();
        }
    });
    interruption.start(std::chrono::milliseconds{100});
    if (seconds && *seconds < 1) {
        return 0;
    }
    QCoreApplication::exec();
    monitor.releaseResources();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    bool live = false;
    std::optional<double> seconds;
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument{argv[index]};
        if (argument == "-h" || argument == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (argument == "--live" && !live && !seconds) {
            live = true;
            continue;
        }
        const auto parsed = hollerbox::SPUSensorProbe::parseDuration(argument);
        if (!parsed || seconds) {
            std::cerr << "HollerboxSensorProbe: \"" << argument
                      << "\" is not a number of seconds from 0 to 3600.\n"
                      << kUsage;
            return 2;
        }
        seconds = parsed;
    }

    QCoreApplication application{argc, argv};
    if (live) {
        return runLive(seconds);
    }
    hollerbox::ClockSystem clock;
    hollerbox::HidAccessHidraw hid;
    hollerbox::SPUSensorProbe probe{hid, clock};
    std::cout
        << probe.run(seconds.value_or(hollerbox::SPUSensorProbe::defaultDurationSeconds)).formattedText()
        << "\n\n"
        << hollerbox::describeOtherAccelerometers() << std::endl;
    return 0;
}
