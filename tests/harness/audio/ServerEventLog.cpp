#include "ServerEventLog.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hollerbox::testing {

ServerEventLog::ServerEventLog(std::string serverAddress) : m_serverAddress(std::move(serverAddress)) {}

ServerEventLog::~ServerEventLog()
{
    stop();
}

bool ServerEventLog::start()
{
    stop();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<std::string> arguments{"pactl", "--server=" + m_serverAddress, "subscribe"};
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&m_child, "pactl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        m_child = -1;
        return false;
    }
    m_reader = std::thread{[this, fd = pipeFds[0]] { readLoop(fd); }};
    return true;
}

void ServerEventLog::stop()
{
    if (m_child > 0) {
        ::kill(m_child, SIGTERM);
        int status = 0;
        ::waitpid(m_child, &status, 0);
        m_child = -1;
    }
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

void ServerEventLog::readLoop(int fd)
{
    std::array<char, 1024> buffer{};
    std::string pending;
    for (;;) {
        const auto count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        pending.append(buffer.data(), static_cast<std::size_t>(count));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::lock_guard lock{m_mutex};
            m_events.push_back({now, pending.substr(0, end)});
            pending.erase(0, end + 1);
        }
    }
    ::close(fd);
}

std::vector<ServerEventLog::Event> ServerEventLog::eventsSince(TimePoint since, const std::string& text) const
{
    const std::lock_guard lock{m_mutex};
    std::vector<Event> found;
    for (const auto& event : m_events) {
        if (event.arrivedAt >= since && event.line.find(text) != std::string::npos) {
            found.push_back(event);
        }
    }
    return found;
}

} // namespace hollerbox::testing
