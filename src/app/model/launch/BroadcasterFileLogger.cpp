#include "BroadcasterFileLogger.h"

#include "linux/support/FileDescriptor.h"
#include "model/AppLocations.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

void writeAll(int fd, QByteArrayView bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), static_cast<std::size_t>(bytes.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes = bytes.sliced(written);
    }
}

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
        writeAll(file.get(), line.toUtf8() + '\n');
    }
}

QString BroadcasterFileLogger::launcherLine(const QDateTime& now, const QString& message)
{
    return now.toUTC().toString(Qt::ISODate) + QStringLiteral(" [bg-launcher] ") + message;
}

} // namespace hollerbox
