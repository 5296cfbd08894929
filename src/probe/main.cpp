// HollerboxSensorProbe [seconds]: looks for a motion sensor the way the alarm does, listens to the best
// candidate for a while (3 seconds by default) and prints everything it saw.

#include "linux/base/ClockSystem.h"
#include "linux/motion/HidAccessHidraw.h"
#include "motion/SPUSensorProbe.h"

#include <QCoreApplication>
#include <iostream>
#include <string_view>

namespace {

constexpr std::string_view kUsage = "Usage: HollerboxSensorProbe [seconds]\n"
                                    "Lists the HID devices that look like the motion sensor, listens to the "
                                    "best one for the given number of\n"
                                    "seconds (3 by default, at most 3600) and prints what it found.\n";

} // namespace

int main(int argc, char* argv[])
{
    double seconds = hollerbox::SPUSensorProbe::defaultDurationSeconds;
    if (argc > 2) {
        std::cerr << kUsage;
        return 2;
    }
    if (argc == 2) {
        const std::string_view argument{argv[1]};
        if (argument == "-h" || argument == "--help") {
            std::cout << kUsage;
            return 0;
        }
        const auto parsed = hollerbox::SPUSensorProbe::parseDuration(argument);
        if (!parsed) {
            std::cerr << "HollerboxSensorProbe: \"" << argument
                      << "\" is not a number of seconds from 0 to 3600.\n"
                      << kUsage;
            return 2;
        }
        seconds = *parsed;
    }

    QCoreApplication application{argc, argv};
    hollerbox::ClockSystem clock;
    hollerbox::HidAccessHidraw hid;
    hollerbox::SPUSensorProbe probe{hid, clock};
    std::cout << probe.run(seconds).formattedText() << std::endl;
    return 0;
}
