#include "LaunchAtLoginManager.h"

#include "DesktopEntry.h"
#include "linux/audio/ResourceDirectoriesLinux.h"
#include "model/AppLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <system_error>

namespace hollerbox {

namespace {

std::optional<QString> readText(const QString& path)
{
    QFile file{path};
    if (!QFileInfo{path}.isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

QString runningExecutablePath()
{
    return QString::fromStdString(ResourceDirectoriesLinux::runningExecutablePath());
}

} // namespace

LaunchAtLoginManager::LaunchAtLoginManager()
    : LaunchAtLoginManager(runningExecutablePath(), applicationEntryPathFor(runningExecutablePath()),
                           AppLocations::autostartEntryPath())
{}

LaunchAtLoginManager::LaunchAtLoginManager(QString executablePath, QString applicationEntryPath,
                                           QString autostartEntryPath)
    : m_executablePath(std::move(executablePath)), m_applicationEntryPath(std::move(applicationEntryPath)),
      m_autostartEntryPath(std::move(autostartEntryPath))
{}

QString LaunchAtLoginManager::applicationEntryPathFor(const QString& executablePath)
{
    if (executablePath.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(QFileInfo{executablePath}.absolutePath() +
                           QStringLiteral("/../share/applications/") +
                           QLatin1StringView{AppLocations::desktopId} + QStringLiteral(".desktop"));
}

LaunchAtLoginState LaunchAtLoginManager::currentState() const
{
    if (!QFileInfo{m_applicationEntryPath}.isFile()) {
        return {false, LaunchAtLoginSupport::unavailable(
                           QStringLiteral("Launch at login is unavailable in this build of Hollerbox."))};
    }
    const auto text = readText(m_autostartEntryPath);
    if (!text) {
        return {false, LaunchAtLoginSupport::available()};
    }
    const DesktopEntry entry{*text};
    const bool switchedOff = entry.booleanValue(QStringLiteral("Hidden")) == true ||
                             entry.booleanValue(QStringLiteral("X-GNOME-Autostart-enabled")) == false;
    return {!switchedOff, LaunchAtLoginSupport::available()};
}

LaunchAtLoginState LaunchAtLoginManager::setEnabled(bool enabled) const
{
    const auto before = currentState();
    if (before.support.kind() == LaunchAtLoginSupport::Kind::unavailable) {
        return before;
    }
    const QString failure = enabled ? writeAutostartEntry() : removeAutostartEntry();
    if (!failure.isEmpty()) {
        return {before.enabled, LaunchAtLoginSupport::unavailable(
                                    QStringLiteral("Could not update launch-at-login status: ") + failure)};
    }
    return currentState();
}

QString LaunchAtLoginManager::writeAutostartEntry() const
{
    if (m_executablePath.isEmpty()) {
        return QStringLiteral("The running program could not be found.");
    }
    const auto applicationEntry = readText(m_applicationEntryPath);
    if (!applicationEntry) {
        return QStringLiteral("The file “%1” could not be read.").arg(m_applicationEntryPath);
    }
    DesktopEntry entry{*applicationEntry};
    entry.setValue(QStringLiteral("Exec"), DesktopEntry::execValue(m_executablePath));

    const QString directory = QFileInfo{m_autostartEntryPath}.absolutePath();
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(directory).toStdString(), error);
    if (error) {
        return QStringLiteral("The folder “%1” could not be created: %2.")
            .arg(directory, QString::fromStdString(error.message()));
    }
    QSaveFile file{m_autostartEntryPath};
    const QByteArray text = entry.text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        return QStringLiteral("The file “%1” could not be written: %2.")
            .arg(m_autostartEntryPath, file.errorString());
    }
    return {};
}

QString LaunchAtLoginManager::removeAutostartEntry() const
{
    const QFileInfo entry{m_autostartEntryPath};
    if (!entry.exists() && !entry.isSymLink()) {
        return {};
    }
    QFile file{m_autostartEntryPath};
    if (!file.remove()) {
        return QStringLiteral("The file “%1” could not be removed: %2.")
            .arg(m_autostartEntryPath, file.errorString());
    }
    return {};
}

} // namespace hollerbox
