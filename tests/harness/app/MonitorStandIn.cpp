// Stands in for the background monitor in tests of its launcher. It appends to the file named by its
// "--log-file" argument: each argument on a line of its own, then the "SigBlk:" and "SigIgn:" lines of its
// status as it found them, then "running". On SIGTERM it appends "terminated" and exits with 0; on SIGUSR1
// it exits with 0 at once, as a monitor that ended on its own. With HOLLERBOX_STAND_IN_EXITS_AT_ONCE set in
// its environment it exits with 1 right after writing, as a monitor that cannot run.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void append(const char* path, const std::string& text)
{
    std::ofstream{path, std::ios::app} << text;
}

std::string statusSignalLines()
{
    std::ifstream status{"/proc/self/status"};
    std::string result;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigBlk:", 0) == 0 || line.rfind("SigIgn:", 0) == 0) {
            result += line + '\n';
        }
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string signalLines = statusSignalLines();
    sigset_t awaited;
    sigemptyset(&awaited);
    sigaddset(&awaited, SIGTERM);
    sigaddset(&awaited, SIGUSR1);
    sigprocmask(SIG_BLOCK, &awaited, nullptr);

    const char* logFile = nullptr;
    std::string record;
    for (int index = 1; index < argc; ++index) {
        record += std::string{argv[index]} + '\n';
        if (logFile == nullptr && std::strcmp(argv[index], "--log-file") == 0 && index + 1 < argc) {
            logFile = argv[index + 1];
        }
    }
    if (logFile == nullptr) {
        return 2;
    }
    append(logFile, record + signalLines + "running\n");
    if (std::getenv("HOLLERBOX_STAND_IN_EXITS_AT_ONCE") != nullptr) {
        return 1;
    }

    int received = 0;
    sigwait(&awaited, &received);
    if (received == SIGTERM) {
        append(logFile, "terminated\n");
    }
    return 0;
}
