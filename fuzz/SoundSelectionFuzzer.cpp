// The alarm sound selection as stored and passed to the monitor: its JSON form, and that form in Base64.
#include "FuzzExpect.h"
#include "audio/AlarmSoundSelectionCoding.h"
#include "audio/Base64.h"

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input{reinterpret_cast<const char*>(data), size};

    HOLLERBOX_FUZZ_EXPECT(base64Decode(base64Encode(input)) == input);
    if (const auto bytes = base64Decode(input)) {
        HOLLERBOX_FUZZ_EXPECT(base64Encode(*bytes) == input);
    }

    const auto decoding = decodeAlarmSoundSelection(input);
    HOLLERBOX_FUZZ_EXPECT(decoding.selection.has_value() == decoding.failure.empty());
    if (decoding.selection) {
        const auto json = encodeAlarmSoundSelection(*decoding.selection);
        HOLLERBOX_FUZZ_EXPECT(json.has_value());
        HOLLERBOX_FUZZ_EXPECT(decodeAlarmSoundSelection(*json).selection == decoding.selection);
        HOLLERBOX_FUZZ_EXPECT(alarmSoundSelectionFromCommandLineValue(alarmSoundSelectionCommandLineValue(
                                  *decoding.selection)) == *decoding.selection);
    }

    const auto passed = alarmSoundSelectionFromCommandLineValue(input);
    const auto bytes = base64Decode(input);
    const auto inside = bytes ? decodeAlarmSoundSelection(*bytes).selection : std::nullopt;
    HOLLERBOX_FUZZ_EXPECT(passed == inside.value_or(AlarmSoundSelection::defaultSelection()));

    const auto name = displayNameForPath(input);
    HOLLERBOX_FUZZ_EXPECT(name.size() <= input.size() &&
                          (name == "/" || name.find('/') == std::string::npos));
    return 0;
}
