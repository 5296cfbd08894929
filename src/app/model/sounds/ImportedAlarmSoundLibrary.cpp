#include "ImportedAlarmSoundLibrary.h"

#include "ImportedAlarmSoundCoding.h"
#include "linux/support/FileDescriptor.h"
#include "model/AppLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hollerbox {

namespace {

QString errorText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

AlarmSoundImportResult failed(const QList<ImportedAlarmSound>& sounds, AlarmImportFailure failure)
{
    return AlarmSoundImportResult{sounds, {}, std::move(failure)};
}

AlarmSoundImportResult failed(const QList<ImportedAlarmSound>& sounds, AlarmImportError error)
{
    return failed(sounds, AlarmImportFailure{error});
}

bool copyRegularFile(const QString& sourcePath, const QString& destinationPath)
{
    const FileDescriptor source{
        ::open(QFile::encodeName(sourcePath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    struct stat status
    {};
    if (!source.isValid() || ::fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    QSaveFile destination{destinationPath};
    if (!destination.open(QIODevice::WriteOnly)) {
        return false;
    }
    std::array<char, 65536> buffer{};
    for (;;) {
        const auto count = ::read(source.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            return destination.commit();
        }
        if (destination.write(buffer.data(), count) != count) {
            return false;
        }
    }
}

AlarmSoundSelection customFileSelection(const ImportedAlarmSound& sound)
{
    return AlarmSoundSelection::customFile(sound.path.toStdString(), sound.displayName.toStdString());
}

} // namespace

const QStringList& ImportedAlarmSoundLibrary::allowedExtensions()
{
    static const QStringList extensions{QStringLiteral("wav"), QStringLiteral("aiff"), QStringLiteral("aif"),
                                        QStringLiteral("m4a"), QStringLiteral("mp3"),  QStringLiteral("caf")};
    return extensions;
}

ImportedAlarmSoundLibrary::ImportedAlarmSoundLibrary()
    : ImportedAlarmSoundLibrary(AppLocations::importedAlarmsDirectory())
{}

ImportedAlarmSoundLibrary::ImportedAlarmSoundLibrary(QString storageDirectory)
    : m_storageDirectory(std::move(storageDirectory))
{}

AlarmSoundImportResult ImportedAlarmSoundLibrary::importSound(const QList<ImportedAlarmSound>& sounds,
                                                              const QString& sourcePath) const
{
    const QFileInfo source{sourcePath};
    struct stat status
    {};
    if (::stat(QFile::encodeName(sourcePath).constData(), &status) != 0) {
        return failed(
            sounds, AlarmImportFailure::fileSystemError(QStringLiteral("The file “%1” could not be read: %2.")
                                                            .arg(source.fileName(), errorText(errno))));
    }
    const QString extension = source.suffix().toLower();
    const bool isRegularFile = S_ISREG(status.st_mode);
    if (sounds.size() >= maxSoundCount) {
        return failed(sounds, AlarmImportError::maximumImportedSoundsReached(maxSoundCount));
    }
    if (!allowedExtensions().contains(extension)) {
        return failed(sounds, AlarmImportError::unsupportedFormat());
    }
    if (isRegularFile && status.st_size > maxFileSizeBytes) {
        return failed(sounds, AlarmImportError::fileTooLarge(static_cast<int>(maxFileSizeBytes / 1048576)));
    }

    std::error_code directoryError;
    std::filesystem::create_directories(QFile::encodeName(m_storageDirectory).toStdString(), directoryError);
    if (directoryError) {
        return failed(sounds,
                      AlarmImportFailure::fileSystemError(
                          QStringLiteral("The folder “%1” could not be created: %2.")
                              .arg(m_storageDirectory, QString::fromStdString(directoryError.message()))));
    }

    const QString destination = QDir{m_storageDirectory}.filePath(
        QUuid::createUuid().toString(QUuid::WithoutBraces) + u'.' + extension);
    if (!isRegularFile || !copyRegularFile(sourcePath, destination)) {
        return failed(sounds, AlarmImportError::copyFailed());
    }

    auto imported = sounds;
    imported.append(ImportedAlarmSound{QUuid::createUuid(), destination, QString{}, source.fileName()});
    imported = renumbered(std::move(imported));
    const ImportedAlarmSound importedSound = imported.constLast();
    return AlarmSoundImportResult{std::move(imported), importedSound, std::nullopt};
}

QList<ImportedAlarmSound> ImportedAlarmSoundLibrary::deleteSound(const QList<ImportedAlarmSound>& sounds,
                                                                 const ImportedAlarmSound& sound) const
{
    QList<ImportedAlarmSound> remaining;
    for (const auto& entry : sounds) {
        if (entry.id != sound.id) {
            remaining.append(entry);
        }
    }
    const QFileInfo file{sound.path};
    if (file.exists() &&
        QDir::cleanPath(file.absolutePath()) == QDir::cleanPath(QDir{m_storageDirectory}.absolutePath())) {
        QFile::remove(sound.path);
    }
    return renumbered(std::move(remaining));
}

QList<ImportedAlarmSound> ImportedAlarmSoundLibrary::loadExisting(const std::optional<QByteArray>& storedList)
{
    QList<ImportedAlarmSound> existing;
    if (!storedList) {
        return existing;
    }
    for (auto& sound : ImportedAlarmSoundCoding::decode(*storedList)) {
        if (QFileInfo::exists(sound.path)) {
            existing.append(std::move(sound));
        }
    }
    return existing;
}

QList<ImportedAlarmSound> ImportedAlarmSoundLibrary::seeded(const QList<ImportedAlarmSound>& sounds,
                                                            const AlarmSoundSelection& selection)
{
    const auto path = selection.customFilePath();
    if (!sounds.isEmpty() || !path || !QFileInfo::exists(QString::fromStdString(*path))) {
        return sounds;
    }
    const QString filePath = QString::fromStdString(*path);
    return {ImportedAlarmSound{QUuid::createUuid(), filePath,
                               QString::fromStdString(selection.customDisplayName().value_or(std::string{})),
                               QFileInfo{filePath}.fileName()}};
}

QList<ImportedAlarmSound> ImportedAlarmSoundLibrary::renumbered(QList<ImportedAlarmSound> sounds)
{
    for (qsizetype index = 0; index < sounds.size(); ++index) {
        sounds[index].displayName = QStringLiteral("Custom Sound %1").arg(index + 1);
    }
    return sounds;
}

AlarmSoundSelection ImportedAlarmSoundLibrary::selectionAfterImport(const ImportedAlarmSound& importedSound)
{
    return customFileSelection(importedSound);
}

AlarmSoundSelection
ImportedAlarmSoundLibrary::selectionAfterDelete(const AlarmSoundSelection& selection,
                                                const ImportedAlarmSound& deletedSound,
                                                const QList<ImportedAlarmSound>& remainingSounds)
{
    const auto path = selection.customFilePath();
    if (!path) {
        return selection;
    }
    const QString selectedPath = QString::fromStdString(*path);
    if (selectedPath == deletedSound.path) {
        return AlarmSoundSelection::defaultSelection();
    }
    for (const auto& sound : remainingSounds) {
        if (sound.path == selectedPath) {
            return customFileSelection(sound);
        }
    }
    return selection;
}

QString ImportedAlarmSoundLibrary::summaryText(qsizetype count)
{
    return QStringLiteral("%1/%2 custom sounds imported").arg(count).arg(maxSoundCount);
}

} // namespace hollerbox
