#pragma once

#include "linux/support/FileDescriptor.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

namespace hollerbox {

/// One process held through a pidfd, so that a reused process ID can never pass for it. Move-only; closing
/// the handle leaves the process alone.
class ProcessHandle
{
public:
    /// Starts `program` with `arguments` as a detached child: a session of its own, standard input, output
    /// and error on /dev/null, no other inherited descriptors, default signal handling and an empty signal
    /// mask; environment and working directory inherited; `programName`, when given, is its argument 0
    /// instead of `program`. None when it could not be started.
    static std::optional<ProcessHandle> spawnDetached(const QString& program, const QStringList& arguments,
                                                      const QString& programName = {});
    /// A handle on the existing process `processId`, or none when there is no such process. Such a process
    /// is not our child: it is never reaped here.
    static std::optional<ProcessHandle> open(pid_t processId);

    ProcessHandle(ProcessHandle&&) noexcept = default;
    ProcessHandle& operator=(ProcessHandle&&) noexcept = default;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle() = default;

    pid_t processId() const { return m_processId; }
    /// The pidfd; it becomes readable when the process ends.
    int descriptor() const { return m_pidfd.get(); }
    /// False once the process has ended, whether or not it was reaped.
    bool isRunning() const;
    /// Sends `signal` to this very process; false when it could not be sent (it has ended).
    bool sendSignal(int signal) const;
    /// Collects the exit status of an ended child of ours, so that no zombie stays; nothing otherwise.
    void reapIfEnded() const;

private:
    ProcessHandle(FileDescriptor pidfd, pid_t processId, bool isChild);

    FileDescriptor m_pidfd;
    pid_t m_processId = -1;
    bool m_isChild = false;
};

} // namespace hollerbox
