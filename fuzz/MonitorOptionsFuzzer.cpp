// The background monitor's command line: arguments separated by NUL bytes; as a whole, also the writes its
// audio restore mode takes.
#include "BackgroundMonitorOptionParser.h"
#include "FuzzExpect.h"
#include "linux/audio/MissedWriteCoding.h"

#include <algorithm>
#include <cmath>
#include <string_view>

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input{reinterpret_cast<const char*>(data), size};
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }

    const auto options =
        BackgroundMonitorOptionParser::parse(arguments, [] { return std::string{"default.log"}; });
    HOLLERBOX_FUZZ_EXPECT(options.alarmVolumeScalar >= 0.0F && options.alarmVolumeScalar <= 1.0F);
    for (const double value :
         {options.armDelaySeconds, options.movementThresholdG, options.alarmRepeatSeconds}) {
        HOLLERBOX_FUZZ_EXPECT(!std::isnan(value));
    }
    const auto logFile = std::find(arguments.begin(), arguments.end(), "--log-file");
    HOLLERBOX_FUZZ_EXPECT(options.logFilePath ==
                          (logFile != arguments.end() && std::next(logFile) != arguments.end()
                               ? *std::next(logFile)
                               : "default.log"));

    if (const auto number = BackgroundMonitorOptionParser::parseUnsigned(input)) {
        std::string_view digits = input.substr(input.find_first_not_of("+-"));
        digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size() - 1));
        HOLLERBOX_FUZZ_EXPECT(std::to_string(*number) == digits);
    }
    if (const auto number = BackgroundMonitorOptionParser::parseDouble(input)) {
        HOLLERBOX_FUZZ_EXPECT(!std::isnan(*number));
    }
    if (const auto number = BackgroundMonitorOptionParser::parseFloat(input)) {
        HOLLERBOX_FUZZ_EXPECT(!std::isnan(*number));
    }
    if (const auto writes = MissedWriteCoding::decode(input)) {
        HOLLERBOX_FUZZ_EXPECT(MissedWriteCoding::decode(MissedWriteCoding::encode(*writes)) == writes);
    }
    return 0;
}
