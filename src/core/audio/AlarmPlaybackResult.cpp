#include "AlarmPlaybackResult.h"

#include "engine/HollerboxDiagnostics.h"

namespace hollerbox {

std::string AlarmPlaybackResult::formattedText() const
{
    const auto count = std::to_string(beepCount);
    return "Alarm playback probe\n"
           "Started at: " +
           HollerboxDiagnostics::formatTimestamp(startedAt) + "\nBeeps played: " + count +
           "\nInterval: " + std::to_string(intervalMilliseconds) +
           "ms\n\nExpectation: you should have heard " + count + " system beeps.";
}

} // namespace hollerbox
