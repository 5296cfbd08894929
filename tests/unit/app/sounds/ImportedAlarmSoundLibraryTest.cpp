#include "model/sounds/ImportedAlarmSoundLibrary.h"

#include "model/sounds/ImportedAlarmSoundCoding.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace hollerbox {
namespace {

class ImportedAlarmSoundLibraryTest : public ::testing::Test
{
protected:
    /// A file of `size` bytes starting with its name.
    QString makeSource(const QString& name, qint64 size = 64) const
    {
        const QString path = m_root.filePath(name);
        QFile file{path};
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8().left(size));
        EXPECT_TRUE(file.resize(size));
        return path;
    }

    QStringList storedFiles() const
    {
        return QDir{storage()}.entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                         QDir::NoDotAndDotDot);
    }

    QString storage() const { return m_root.filePath(QStringLiteral("data/Hollerbox/ImportedAlarms")); }

    QList<ImportedAlarmSound> importAll(const QStringList& sources) const
    {
        QList<ImportedAlarmSound> sounds;
        for (const auto& source : sources) {
            const auto result = library.importSound(sounds, source);
            EXPECT_TRUE(result.succeeded()) << source.toStdString();
            sounds = result.sounds;
        }
        return sounds;
    }

    QTemporaryDir m_root;
    ImportedAlarmSoundLibrary library{storage()};
};

TEST_F(ImportedAlarmSoundLibraryTest, ImportsNumberedCopiesUnderTheirOwnNames)
{
    const QString wav = makeSource(QStringLiteral("Siren.wav"));
    const QString mp3 = makeSource(QStringLiteral("Alarm.MP3"));
    const auto result = library.importSound(importAll({wav, wav}), mp3);
    ASSERT_TRUE(result.succeeded());
    const auto& sounds = result.sounds;
    ASSERT_EQ(sounds.size(), 3);
    QStringList names;
    for (const auto& sound : sounds) {
        names << sound.displayName;
        EXPECT_EQ(QFileInfo{sound.path}.absolutePath(), storage());
    }
    EXPECT_EQ(names, (QStringList{"Custom Sound 1", "Custom Sound 2", "Custom Sound 3"}));
    EXPECT_NE(sounds[0].path, sounds[1].path);
    EXPECT_EQ(sounds[0].fileName, QStringLiteral("Siren.wav"));
    EXPECT_EQ(result.importedSound, sounds[2]);
    EXPECT_EQ(QFileInfo{result.importedSound.path}.suffix(), QStringLiteral("mp3"));
    QFile copy{result.importedSound.path};
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.readAll().startsWith("Alarm.MP3"));
    EXPECT_EQ(storedFiles().size(), 3);
    EXPECT_EQ(ImportedAlarmSoundLibrary::selectionAfterImport(result.importedSound),
              AlarmSoundSelection::customFile(result.importedSound.path.toStdString(), "Custom Sound 3"));
    EXPECT_EQ(ImportedAlarmSoundLibrary::summaryText(sounds.size()),
              QStringLiteral("3/5 custom sounds imported"));
}

TEST_F(ImportedAlarmSoundLibraryTest, AppliesTheRulesInOrder)
{
    const QList<ImportedAlarmSound> full(
        ImportedAlarmSoundLibrary::maxSoundCount,
        ImportedAlarmSound{QUuid::createUuid(), "/x.wav", "Custom Sound", "x.wav"});
    const QString unsupported{
        "That file format is not supported. Please choose an audio file such as WAV, AIFF, "
        "M4A, MP3, or CAF."};
    struct Case
    {
        int existing;
        const char* name;
        qint64 size;
        std::optional<QString> failure;
    };
    for (const auto& [existing, name, size, failure] :
         {Case{5, "big.txt", 10485761,
               "You can keep up to 5 custom alarm sounds. Delete one before importing another."},
          Case{0, "notes.txt", 10, unsupported}, Case{0, "big.flac", 10485761, unsupported},
          Case{0, "big.wav", 10485761,
               "That audio file is too large. Please choose a file smaller than 10 MB."},
          Case{0, "limit.wav", 10485760, {}}, Case{4, "tone.AIFF", 10, {}}}) {
        SCOPED_TRACE(name);
        const auto before = full.mid(0, existing);
        const auto result = library.importSound(before, makeSource(QString::fromLatin1(name), size));
        if (failure) {
            ASSERT_FALSE(result.succeeded());
            EXPECT_TRUE(result.failure->importError().has_value());
            EXPECT_EQ(result.failure->description(), *failure);
            EXPECT_EQ(result.sounds, before);
            EXPECT_TRUE(storedFiles().isEmpty());
        } else {
            ASSERT_TRUE(result.succeeded());
            EXPECT_EQ(result.sounds.size(), existing + 1);
            EXPECT_EQ(QFileInfo{result.importedSound.path}.size(), size);
            ASSERT_TRUE(QFile::remove(result.importedSound.path));
        }
    }
}

TEST_F(ImportedAlarmSoundLibraryTest, RefusesWhatCannotBeCopiedWithoutHangingOrLeavingAFile)
{
    const auto path = [this](const char* name) { return m_root.filePath(QString::fromLatin1(name)); };
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.wav")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), path("null.wav")));
    ASSERT_TRUE(QDir{}.mkpath(path("folder.wav")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), path("unreadable.wav")));
    for (const auto& source :
         {path("pipe.wav"), path("null.wav"), path("folder.wav"), path("unreadable.wav")}) {
        SCOPED_TRACE(source.toStdString());
        const auto result = library.importSound({}, source);
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.failure->importError(), AlarmImportError::copyFailed());
        EXPECT_EQ(result.failure->description(),
                  QStringLiteral("The audio file could not be imported into Hollerbox."));
        EXPECT_TRUE(storedFiles().isEmpty()) << storedFiles().join(u' ').toStdString();
    }
}

TEST_F(ImportedAlarmSoundLibraryTest, PassesOnFileSystemErrors)
{
    const auto missing = library.importSound({}, m_root.filePath(QStringLiteral("missing.wav")));
    ASSERT_FALSE(missing.succeeded());
    EXPECT_EQ(missing.failure->importError(), std::nullopt);
    EXPECT_EQ(missing.failure->description(),
              QStringLiteral("The file “missing.wav” could not be read: No such file or directory."));

    const QString blocker = makeSource(QStringLiteral("data"));
    const auto blocked = library.importSound({}, makeSource(QStringLiteral("ok.wav")));
    ASSERT_FALSE(blocked.succeeded());
    EXPECT_EQ(blocked.failure->importError(), std::nullopt);
    EXPECT_TRUE(blocked.failure->description().startsWith(
        QStringLiteral("The folder “%1” could not be created: ").arg(storage())))
        << blocked.failure->description().toStdString();
    EXPECT_TRUE(QFileInfo{blocker}.isFile());
}

TEST_F(ImportedAlarmSoundLibraryTest, DeletingRenumbersAndFixesTheSelection)
{
    const QString source = makeSource(QStringLiteral("Siren.wav"));
    const auto sounds = importAll({source, source, source});
    const auto third = ImportedAlarmSoundLibrary::selectionAfterImport(sounds[2]);
    const auto remaining = library.deleteSound(sounds, sounds[0]);
    ASSERT_EQ(remaining.size(), 2);
    EXPECT_EQ(remaining[0].displayName, QStringLiteral("Custom Sound 1"));
    EXPECT_EQ(remaining[1].displayName, QStringLiteral("Custom Sound 2"));
    EXPECT_EQ(remaining[1].id, sounds[2].id);
    EXPECT_FALSE(QFileInfo::exists(sounds[0].path));
    EXPECT_TRUE(QFileInfo::exists(sounds[1].path));
    const auto renamedThird = ImportedAlarmSoundLibrary::selectionAfterDelete(third, sounds[0], remaining);
    EXPECT_EQ(renamedThird, AlarmSoundSelection::customFile(sounds[2].path.toStdString(), "Custom Sound 2"));
    const auto last = library.deleteSound(remaining, remaining[1]);
    EXPECT_EQ(ImportedAlarmSoundLibrary::selectionAfterDelete(renamedThird, remaining[1], last),
              AlarmSoundSelection::defaultSelection());
    const auto builtIn = AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
    const auto elsewhere = AlarmSoundSelection::customFile("/elsewhere.wav", "Mine");
    EXPECT_EQ(ImportedAlarmSoundLibrary::selectionAfterDelete(builtIn, sounds[0], remaining), builtIn);
    EXPECT_EQ(ImportedAlarmSoundLibrary::selectionAfterDelete(elsewhere, sounds[0], remaining), elsewhere);
}

TEST_F(ImportedAlarmSoundLibraryTest, SeedsOnlyAnEmptyListFromAnExistingCustomFileAndNeverDeletesIt)
{
    const QString userFile = makeSource(QStringLiteral("Old Alarm.m4a"));
    const auto selection = AlarmSoundSelection::customFile(userFile.toStdString(), "Old Alarm");
    const auto seeded = ImportedAlarmSoundLibrary::seeded({}, selection);
    ASSERT_EQ(seeded.size(), 1);
    EXPECT_FALSE(seeded[0].id.isNull());
    EXPECT_EQ(seeded[0].path, userFile);
    EXPECT_EQ(seeded[0].displayName, QStringLiteral("Old Alarm"));
    EXPECT_EQ(seeded[0].fileName, QStringLiteral("Old Alarm.m4a"));
    const QList<ImportedAlarmSound> other{{QUuid::createUuid(), "/a.wav", "Custom Sound 1", "a.wav"}};
    EXPECT_EQ(ImportedAlarmSoundLibrary::seeded(other, selection), other);
    EXPECT_TRUE(ImportedAlarmSoundLibrary::seeded({}, AlarmSoundSelection::defaultSelection()).isEmpty());
    EXPECT_TRUE(ImportedAlarmSoundLibrary::seeded(
                    {}, AlarmSoundSelection::customFile(userFile.toStdString() + ".gone", "x"))
                    .isEmpty());
    EXPECT_TRUE(library.deleteSound(seeded, seeded[0]).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(userFile));
}

TEST_F(ImportedAlarmSoundLibraryTest, LoadingKeepsExistingFilesAsStoredAndDeletingForgetsAGoneOne)
{
    const QString source = makeSource(QStringLiteral("Siren.wav"));
    const auto sounds = importAll({source, source, source});
    ASSERT_TRUE(QFile::remove(sounds[1].path));
    const auto loaded = ImportedAlarmSoundLibrary::loadExisting(ImportedAlarmSoundCoding::encode(sounds));
    EXPECT_EQ(loaded, (QList<ImportedAlarmSound>{sounds[0], sounds[2]}));
    const auto remaining = library.deleteSound(sounds, sounds[1]);
    ASSERT_EQ(remaining.size(), 2);
    EXPECT_EQ(remaining[1].displayName, QStringLiteral("Custom Sound 2"));
    EXPECT_TRUE(ImportedAlarmSoundLibrary::loadExisting(std::nullopt).isEmpty());
    EXPECT_TRUE(ImportedAlarmSoundLibrary::loadExisting(QByteArray{"{"}).isEmpty());
}

} // namespace
} // namespace hollerbox
