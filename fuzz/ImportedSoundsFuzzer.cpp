// The stored list of imported sounds, as read back from the settings.
#include "FuzzExpect.h"
#include "model/sounds/ImportedAlarmSoundCoding.h"

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto sounds = ImportedAlarmSoundCoding::decode(input);
    HOLLERBOX_FUZZ_EXPECT(ImportedAlarmSoundCoding::decode(ImportedAlarmSoundCoding::encode(sounds)) ==
                          sounds);
    return 0;
}
