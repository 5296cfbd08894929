#include "BroadcasterFileLogger.h"

#include "linux/support/FileDescriptor.h"
#include "linux/support/WriteAll.h"
#include "model/AppLocations.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

} // namespace

QString BroadcasterFileLogger::defaultLogFilePath()
{
    return AppLocations::logRoot() + QStringLiteral("/menubar-broadcaster.log");
}

BroadcasterFileLogger::BroadcasterFileLogger(QString logFilePath) : m_logFilePath(std::move(logFilePath))
{
    QDir{}.mkpath(QFileInfo{m_logFilePath}.path());
    const FileDescriptor created{
        ::open(QFile::encodeName(m_logFilePath).constData(), kOpenFlags | O_CREAT, 0644)};
}

void BroadcasterFileLogger::write(const QString& line) const
{
    const FileDescriptor file{::open(QFile::encodeName(m_logFilePath).constData(), kOpenFlags | O_APPEND)};
    if (file.isValid()) {
        const QByteArray bytes = line.toUtf8() + '\n';
        writeAll(file.get(), std::string_view{bytes.constData(), static_cast<std::size_t>(bytes.size())});
    }
}

QString BroadcasterFileLogger::launcherLine(const QDateTime& now, const QString& message)
{
    return now.toUTC().toString(Qt::ISODate) + QStringLiteral(" [bg-launcher] ") + message;
}

} // namespace hollerbox
