#pragma once

#include "AlarmSoundImportResult.h"
#include "ImportedAlarmSound.h"
#include "audio/AlarmSoundSelection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace hollerbox {

/// The user's imported alarm sounds: copies files into the storage directory under the import rules,
/// removes them, and keeps the list and the alarm selection consistent. The list itself belongs to the
/// caller, which stores it; every operation returns the new list. Main thread only.
class ImportedAlarmSoundLibrary
{
public:
    static constexpr qint64 maxFileSizeBytes = 10485760;
    static constexpr int maxSoundCount = 5;

    /// The file extensions accepted for import, in lower case.
    static const QStringList& allowedExtensions();

    /// A library keeping its copies in AppLocations::importedAlarmsDirectory().
    ImportedAlarmSoundLibrary();
    explicit ImportedAlarmSoundLibrary(QString storageDirectory);

    const QString& storageDirectory() const { return m_storageDirectory; }

    /// Copies the file at `sourcePath` into the storage directory (created when missing) as a new entry at
    /// the end of `sounds`, then renumbers. The first rule broken ends the import with nothing changed: the
    /// file's status cannot be read; the list is full; the extension is not allowed; the file is larger than
    /// the limit; the storage directory cannot be made; the file is not a regular file or cannot be copied. A
    /// failed copy leaves no file behind.
    AlarmSoundImportResult importSound(const QList<ImportedAlarmSound>& sounds,
                                       const QString& sourcePath) const;

    /// `sounds` without the entries of `sound`'s id, renumbered. Removes the sound's file when it lies in the
    /// storage directory; a failure to do so is ignored.
    QList<ImportedAlarmSound> deleteSound(const QList<ImportedAlarmSound>& sounds,
                                          const ImportedAlarmSound& sound) const;

    /// The stored list's entries whose file exists, in stored order and names; empty when nothing usable is
    /// stored.
    static QList<ImportedAlarmSound> loadExisting(const std::optional<QByteArray>& storedList);
    /// `sounds` unchanged, except that an empty list with a custom-file selection whose file exists becomes
    /// one entry for that file under the selection's display name.
    static QList<ImportedAlarmSound> seeded(const QList<ImportedAlarmSound>& sounds,
                                            const AlarmSoundSelection& selection);
    /// `sounds` with every display name set to "Custom Sound " and the entry's position.
    static QList<ImportedAlarmSound> renumbered(QList<ImportedAlarmSound> sounds);

    /// The selection of a newly imported sound.
    static AlarmSoundSelection selectionAfterImport(const ImportedAlarmSound& importedSound);
    /// The selection once `deletedSound` is gone and `remainingSounds` renumbered: the default selection when
    /// the deleted sound was selected, the renumbered name when another imported sound is, else unchanged.
    static AlarmSoundSelection selectionAfterDelete(const AlarmSoundSelection& selection,
                                                    const ImportedAlarmSound& deletedSound,
                                                    const QList<ImportedAlarmSound>& remainingSounds);

    /// "N/5 custom sounds imported".
    static QString summaryText(qsizetype count);

private:
    QString m_storageDirectory;
};

} // namespace hollerbox
