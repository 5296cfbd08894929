#include "LaunchedMonitors.h"

#include "EventLoopWait.h"
#include "linux/base/ProcessHandle.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/wait.h>

namespace hollerbox::testing {

LaunchedMonitors::LaunchedMonitors(QString logDirectory) : m_logDirectory(std::move(logDirectory)) {}

LaunchedMonitors::~LaunchedMonitors()
{
    for (const pid_t processId : m_processIds) {
        if (const auto handle = ProcessHandle::open(processId); handle && handle->isRunning()) {
            handle->sendSignal(SIGKILL);
            waitFor([&handle] { return !handle->isRunning(); }, std::chrono::seconds{5});
        }
        // Ours unless the launcher reaped it already; any other child has a different ID by then.
        ::waitpid(processId, nullptr, WNOHANG);
    }
    if (::testing::Test::HasFailure()) {
        const QDir directory{m_logDirectory};
        for (const auto& name : directory.entryList(QDir::Files, QDir::Name)) {
            std::cerr << "----- " << directory.filePath(name).toStdString() << " -----\n";
            for (const auto& line : linesOf(directory.filePath(name))) {
                std::cerr << line.toStdString() << '\n';
            }
        }
        std::cerr << "-----\n";
    }
}

void LaunchedMonitors::add(pid_t processId)
{
    m_processIds.push_back(processId);
}

QStringList linesOf(const QString& path)
{
    QFile file{path};
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    auto lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

bool waitForLine(const QString& path, const QString& fragment, std::chrono::milliseconds limit)
{
    return waitProcessingEvents(
        [&] {
            const auto lines = linesOf(path);
            return std::any_of(lines.begin(), lines.end(),
                               [&fragment](const QString& line) { return line.contains(fragment); });
        },
        limit, std::chrono::milliseconds{10});
}

bool waitUntilGone(pid_t processId, std::chrono::milliseconds limit)
{
    return waitProcessingEvents(
        [processId] { return !QFile::exists(QStringLiteral("/proc/%1").arg(processId)); }, limit);
}

bool isAlive(pid_t processId)
{
    QFile file{QStringLiteral("/proc/%1/stat").arg(processId)};
    const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
    const auto end = stat.lastIndexOf(')');
    return end >= 0 && stat.size() > end + 2 && stat[end + 2] != 'Z';
}

QStringList commandLineOf(pid_t processId)
{
    QFile file{QStringLiteral("/proc/%1/cmdline").arg(processId)};
    QStringList arguments;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& argument : file.readAll().split('\0')) {
            arguments << QString::fromUtf8(argument);
        }
        arguments.removeLast();
    }
    return arguments;
}

std::optional<pid_t> processWithArgument(const QString& argument)
{
    for (const QString& entry : QDir{QStringLiteral("/proc")}.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const auto processId = static_cast<pid_t>(entry.toInt(&numeric));
        if (numeric && commandLineOf(processId).contains(argument) && isAlive(processId)) {
            return processId;
        }
    }
    return std::nullopt;
}

} // namespace hollerbox::testing
