// The application's settings file, read as the application reads it at start: every value, the migrations,
// the stored sound selection and the list of imported sounds.
#include "FuzzExpect.h"
#include "audio/AlarmSoundSelectionCoding.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsMigrations.h"
#include "model/settings/SettingsStore.h"
#include "model/sounds/ImportedAlarmSoundLibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

using namespace hollerbox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QTemporaryDir directory{QDir::tempPath() + QStringLiteral("/hollerbox-fuzz-XXXXXX")};
    static std::uint64_t run = 0;
    // A new name for every run: QSettings caches files by name and may not notice a rewrite of the same size.
    const QString path = directory.filePath(QStringLiteral("settings-%1.conf").arg(++run));
    {
        QFile file{path};
        HOLLERBOX_FUZZ_EXPECT(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        SettingsStore store{path};
        for (const auto key : {SettingsKeys::armDelaySeconds, SettingsKeys::alarmVolumeScalar,
                               SettingsKeys::alarmRepeatIntervalSeconds}) {
            if (const auto value = store.readDouble(key)) {
                HOLLERBOX_FUZZ_EXPECT(std::isfinite(*value));
            }
        }
        const auto rawTriggerDelay = store.readDouble(SettingsKeys::triggerDelaySeconds);
        const auto threshold = SettingsMigrations::migrateMovementThreshold(store);
        HOLLERBOX_FUZZ_EXPECT(!threshold || std::isfinite(*threshold));
        HOLLERBOX_FUZZ_EXPECT(std::isfinite(SettingsMigrations::migrateTriggerDelay(store, rawTriggerDelay)));
        HOLLERBOX_FUZZ_EXPECT(store.readBool(SettingsKeys::didMigrateMovementThresholdToG) == true);
        HOLLERBOX_FUZZ_EXPECT(store.readBool(SettingsKeys::didMigrateFallbackDelayDefault) == true);
        for (const auto key : {SettingsKeys::hasDismissedOnboarding, SettingsKeys::protectionEnabled,
                               SettingsKeys::didChooseAutomaticChecksPreference}) {
            store.readBool(key);
        }
        if (const auto stored = store.readData(SettingsKeys::alarmSoundSelection)) {
            decodeAlarmSoundSelection(stored->toStdString());
        }
        ImportedAlarmSoundLibrary::loadExisting(store.readData(SettingsKeys::importedAlarmSounds));
        store.sync();
    }
    QFile::remove(path);
    return 0;
}
