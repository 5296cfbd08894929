#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace hollerbox::testing {

/// The detached monitors a test launched, and the directory they log to. Destruction kills and reaps every
/// one still running (they would outlive the test otherwise) and, when the test has failed, prints every
/// file of the log directory.
class LaunchedMonitors
{
public:
    explicit LaunchedMonitors(QString logDirectory);
    ~LaunchedMonitors();

    LaunchedMonitors(const LaunchedMonitors&) = delete;
    LaunchedMonitors& operator=(const LaunchedMonitors&) = delete;

    void add(pid_t processId);

private:
    QString m_logDirectory;
    std::vector<pid_t> m_processIds;
};

/// The lines of the text file at `path`; empty when it cannot be read.
QStringList linesOf(const QString& path);
/// Runs the event loop until the file at `path` has a line containing `fragment` or `limit` passes.
bool waitForLine(const QString& path, const QString& fragment, std::chrono::milliseconds limit);
/// Runs the event loop until process `processId` has ended and been reaped (its /proc entry is gone) or
/// `limit` passes.
bool waitUntilGone(pid_t processId, std::chrono::milliseconds limit);
/// Whether process `processId` exists and has not ended: a detached monitor whose launcher is gone stays a
/// zombie of the test process once ended, where a real application would long be gone.
bool isAlive(pid_t processId);
/// The arguments /proc shows for `processId`, the program first.
QStringList commandLineOf(pid_t processId);
/// A running process (not a zombie) that was given `argument`, if any.
std::optional<pid_t> processWithArgument(const QString& argument);

} // namespace hollerbox::testing
