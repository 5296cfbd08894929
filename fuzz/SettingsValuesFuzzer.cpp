// The values of the application's settings, read as the application reads them at start: every value, the
// migrations, the stored sound selection and the list of imported sounds. Line i holds the value of key i as
// its settings file can give it: a type letter, then the value ("s" text, "l" comma-separated text list, "b"
// data, "d" "f" "i" "q" "u" "t" a double, float, int, long, unsigned or Boolean from the next bytes); a line
// with another letter leaves its key out. The values are held in memory: the store's file can be neither
// read nor written, as if it were on a read-only file system.
#include "FuzzExpect.h"
#include "audio/AlarmSoundSelectionCoding.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsMigrations.h"
#include "model/settings/SettingsStore.h"
#include "model/sounds/ImportedAlarmSoundLibrary.h"

#include <QSettings>
#include <cmath>
#include <cstring>

using namespace hollerbox;

namespace {

constexpr std::array kKeys{SettingsKeys::protectionEnabled,
                           SettingsKeys::armDelaySeconds,
                           SettingsKeys::movementThreshold,
                           SettingsKeys::alarmVolumeScalar,
                           SettingsKeys::triggerDelaySeconds,
                           SettingsKeys::alarmRepeatIntervalSeconds,
                           SettingsKeys::alarmSoundSelection,
                           SettingsKeys::importedAlarmSounds,
                           SettingsKeys::hasDismissedOnboarding,
                           SettingsKeys::didMigrateMovementThresholdToG,
                           SettingsKeys::didMigrateFallbackDelayDefault,
                           SettingsKeys::didChooseAutomaticChecksPreference};

const QString kUnusableFile = QStringLiteral("/dev/null/Hollerbox/Hollerbox.conf");

template <typename Number> QVariant number(std::string_view bytes)
{
    Number value{};
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
    return QVariant::fromValue(value);
}

QVariant valueOf(std::string_view line)
{
    const std::string_view rest = line.substr(1);
    const auto text = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    switch (line.front()) {
    case 's':
        return text;
    case 'l':
        return text.split(QLatin1Char{','});
    case 'b':
        return QByteArray{rest.data(), static_cast<qsizetype>(rest.size())};
    case 'd':
        return number<double>(rest);
    case 'f':
        return number<float>(rest);
    case 'i':
        return number<int>(rest);
    case 'q':
        return number<qlonglong>(rest);
    case 'u':
        return number<uint>(rest);
    case 't':
        return !rest.empty() && (rest.front() & 1) != 0;
    default:
        return {};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Settings on the same file share their values: this one holds the values that the store reads.
    static QSettings values{kUnusableFile, QSettings::IniFormat};
    values.clear();
    std::string_view input{reinterpret_cast<const char*>(data), size};
    for (const auto key : kKeys) {
        const std::string_view line = input.substr(0, input.find('\n'));
        input.remove_prefix(std::min(input.size(), line.size() + 1));
        if (const QVariant value = line.empty() ? QVariant{} : valueOf(line); value.isValid()) {
            values.setValue(key, value);
        }
    }

    SettingsStore store{kUnusableFile};
    for (const auto key : kKeys) {
        if (const auto value = store.readDouble(key)) {
            HOLLERBOX_FUZZ_EXPECT(std::isfinite(*value));
        }
        store.readBool(key);
    }
    const auto rawTriggerDelay = store.readDouble(SettingsKeys::triggerDelaySeconds);
    const auto threshold = SettingsMigrations::migrateMovementThreshold(store);
    const double triggerDelay = SettingsMigrations::migrateTriggerDelay(store, rawTriggerDelay);
    HOLLERBOX_FUZZ_EXPECT(std::isfinite(triggerDelay));
    // Migrations run at every start: a second run changes nothing.
    HOLLERBOX_FUZZ_EXPECT(SettingsMigrations::migrateMovementThreshold(store) == threshold);
    HOLLERBOX_FUZZ_EXPECT(SettingsMigrations::migrateTriggerDelay(
                              store, store.readDouble(SettingsKeys::triggerDelaySeconds)) == triggerDelay);

    if (const auto stored = store.readData(SettingsKeys::alarmSoundSelection)) {
        decodeAlarmSoundSelection(stored->toStdString());
    }
    ImportedAlarmSoundLibrary::loadExisting(store.readData(SettingsKeys::importedAlarmSounds));
    return 0;
}
