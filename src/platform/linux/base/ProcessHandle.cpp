#include "ProcessHandle.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace hollerbox {

namespace {

// Through syscall(): the C library's own declarations of these are not usable from C++ on every target.
int pidfdOpen(pid_t processId)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, processId, 0U));
}

bool pidfdSendSignal(int pidfd, int signal)
{
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U) == 0;
}

/// posix_spawn's attributes and file actions, released on every path.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        ::posix_spawnattr_init(&m_attributes);
        ::posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&m_actions);
        ::posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool prepareDetached()
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return ::posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                             POSIX_SPAWN_SETSIGDEF) == 0 &&
               ::posix_spawnattr_setsigmask(&m_attributes, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&m_attributes, &all) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&m_actions, STDOUT_FILENO, STDERR_FILENO) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1) == 0;
    }

    const posix_spawnattr_t* attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attributes{};
    posix_spawn_file_actions_t m_actions{};
};

} // namespace

ProcessHandle::ProcessHandle(FileDescriptor pidfd, pid_t processId, bool isChild)
    : m_pidfd(std::move(pidfd)), m_processId(processId), m_isChild(isChild)
{}

std::optional<ProcessHandle>
ProcessHandle::spawnDetached(const QString& program, const QStringList& arguments, const QString& programName)
{
    SpawnSetup setup;
    if (!setup.prepareDetached()) {
        return std::nullopt;
    }
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> texts{programName.isEmpty() ? path : QFile::encodeName(programName)};
    for (const auto& argument : arguments) {
        texts.push_back(argument.toUtf8());
    }
    std::vector<char*> argv;
    for (auto& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    pid_t processId = -1;
    if (::posix_spawn(&processId, path.constData(), setup.actions(), setup.attributes(), argv.data(),
                      environ) != 0) {
        return std::nullopt;
    }
    // The child is not reaped before this point, so its process ID cannot have been reused.
    FileDescriptor pidfd{pidfdOpen(processId)};
    if (!pidfd.isValid()) {
        ::kill(processId, SIGKILL);
        ::waitpid(processId, nullptr, 0);
        return std::nullopt;
    }
    return ProcessHandle{std::move(pidfd), processId, true};
}

std::optional<ProcessHandle> ProcessHandle::open(pid_t processId)
{
    if (processId <= 0) {
        return std::nullopt;
    }
    FileDescriptor pidfd{pidfdOpen(processId)};
    if (!pidfd.isValid()) {
        return std::nullopt;
    }
    return ProcessHandle{std::move(pidfd), processId, false};
}

bool ProcessHandle::isRunning() const
{
    pollfd entry{m_pidfd.get(), POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready == 0;
}

bool ProcessHandle::sendSignal(int signal) const
{
    return pidfdSendSignal(m_pidfd.get(), signal);
}

void ProcessHandle::reapIfEnded() const
{
    if (!m_isChild) {
        return;
    }
    siginfo_t info{};
    ::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(m_pidfd.get()), &info, WEXITED | WNOHANG);
}

} // namespace hollerbox
