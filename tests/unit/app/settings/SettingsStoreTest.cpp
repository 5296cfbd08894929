#include "model/settings/SettingsStore.h"

#include "SettingsTestFile.h"
#include "model/settings/SettingsKeys.h"

#include <QDir>
#include <QSettings>
#include <gtest/gtest.h>
#include <random>

namespace hollerbox {
namespace {

using testing::SettingsTestFile;

TEST(SettingsStore, ReadsOnlyUsableNumbersAndBooleansAndDataOnlyWhenStoredAsData)
{
    struct Case
    {
        const char* stored;
        std::optional<double> number;
        std::optional<bool> boolean;
    };
    for (const auto& [stored, number, boolean] :
         {Case{"2", 2.0, {}}, Case{"-0.25", -0.25, {}}, Case{"1", 1.0, {}}, Case{"abc", {}, {}},
          Case{"nan", {}, {}}, Case{"inf", {}, {}}, Case{"-inf", {}, {}}, Case{"1e400", {}, {}},
          Case{"", {}, {}}, Case{"1,2", {}, {}}, Case{"true", {}, true}, Case{"FALSE", {}, false},
          Case{"maybe", {}, {}}}) {
        SCOPED_TRACE(stored);
        SettingsTestFile file;
        file.writeIni(QByteArray{"[General]\nHollerboxApp.armDelaySeconds="} + stored + "\n");
        const SettingsStore store{file.path()};
        EXPECT_EQ(store.readDouble(SettingsKeys::armDelaySeconds), number);
        EXPECT_EQ(store.readBool(SettingsKeys::armDelaySeconds), boolean);
        EXPECT_EQ(store.readData(SettingsKeys::armDelaySeconds), std::nullopt);
    }

    SettingsTestFile file;
    file.writeIni("[General]\nHollerboxApp.importedAlarmSounds=@ByteArray([])\n"
                  "HollerboxApp.alarmSoundSelection={\"kind\":\"builtIn\"}\n");
    const SettingsStore store{file.path()};
    EXPECT_EQ(store.readData(SettingsKeys::importedAlarmSounds), QByteArray{"[]"});
    EXPECT_EQ(store.readData(SettingsKeys::alarmSoundSelection), std::nullopt);
    EXPECT_EQ(store.readData(SettingsKeys::hasDismissedOnboarding), std::nullopt);
}

TEST(SettingsStore, WrittenValuesComeBackExactlyFromDisk)
{
    SettingsTestFile file;
    const QByteArray data{"{\"kind\":\"customFile\",\"path\":\"/a b/@c\\u00e9.wav\"}\n\0\x01", 46};
    const std::vector<double> doubles{0.6499999761581421, static_cast<double>(0.65F), 0.1 + 0.2, 1e-300,
                                      -123456.789};
    const auto numberKey = [](std::size_t index) {
        return QStringLiteral("HollerboxApp.number%1").arg(index);
    };
    {
        SettingsStore store{file.path()};
        for (std::size_t index = 0; index < doubles.size(); ++index) {
            store.writeDouble(numberKey(index), doubles[index]);
        }
        store.writeBool(SettingsKeys::protectionEnabled, false);
        store.writeBool(SettingsKeys::hasDismissedOnboarding, true);
        store.writeData(SettingsKeys::alarmSoundSelection, data);
        store.sync();
    }
    const auto reread = file.reopened();
    for (std::size_t index = 0; index < doubles.size(); ++index) {
        EXPECT_EQ(reread->readDouble(numberKey(index)), doubles[index]);
    }
    EXPECT_EQ(reread->readBool(SettingsKeys::protectionEnabled), false);
    EXPECT_EQ(reread->readBool(SettingsKeys::hasDismissedOnboarding), true);
    EXPECT_EQ(reread->readData(SettingsKeys::alarmSoundSelection), data);
}

TEST(SettingsStore, AnUnreadableFileReadsEmptyAndOnlyGarbageIsReplacedByTheNextWrite)
{
    for (const bool directory : {false, true}) {
        SCOPED_TRACE(directory ? "a directory" : "garbage");
        SettingsTestFile file;
        if (directory) {
            ASSERT_TRUE(QDir{}.mkpath(file.path()));
        } else {
            std::mt19937 bytes{20261207};
            QByteArray garbage(8192, '\0');
            std::generate(garbage.begin(), garbage.end(), [&] { return static_cast<char>(bytes() & 0xFFU); });
            file.writeIni(garbage);
        }
        SettingsStore store{file.path()};
        EXPECT_EQ(store.readDouble(SettingsKeys::armDelaySeconds), std::nullopt);
        EXPECT_EQ(store.readBool(SettingsKeys::protectionEnabled), std::nullopt);
        EXPECT_EQ(store.readData(SettingsKeys::alarmSoundSelection), std::nullopt);

        store.writeDouble(SettingsKeys::armDelaySeconds, 5.0);
        store.writeData(SettingsKeys::alarmSoundSelection, "{}");
        store.sync();
        if (directory) {
            EXPECT_TRUE(QFileInfo{file.path()}.isDir());
            EXPECT_TRUE(QDir{file.path()}.isEmpty());
        } else {
            EXPECT_EQ(file.reopened()->readDouble(SettingsKeys::armDelaySeconds), 5.0);
        }
    }
}

TEST(SettingsStore, DefaultFileIsTheOneOfTheApplicationsQSettings)
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    const QSettings applicationSettings{QStringLiteral("Hollerbox"), QStringLiteral("Hollerbox")};
    EXPECT_EQ(SettingsStore::defaultFilePath(), applicationSettings.fileName());
    EXPECT_EQ(SettingsStore{}.filePath(), configHome.filePath(QStringLiteral("Hollerbox/Hollerbox.conf")));
}

} // namespace
} // namespace hollerbox
