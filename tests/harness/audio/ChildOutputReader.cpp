#include "ChildOutputReader.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hollerbox::testing {

bool ChildOutputReader::start(std::vector<std::string> arguments, Receiver receiver)
{
    stop();
    int pipeFds[2];
    if (arguments.empty() || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&m_child, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        m_child = -1;
        return false;
    }
    m_receiver = std::move(receiver);
    m_reader = std::thread{[this, fd = pipeFds[0]] { readLoop(fd); }};
    return true;
}

void ChildOutputReader::stop()
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

void ChildOutputReader::readLoop(int fd)
{
    std::array<char, 4096> buffer{};
    for (;;) {
        const auto count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        m_receiver(std::string_view{buffer.data(), static_cast<std::size_t>(count)},
                   std::chrono::steady_clock::now());
    }
    ::close(fd);
}

} // namespace hollerbox::testing
