// The least a program can do to drain a hidraw node that it opens itself, as the monitor does: non-blocking
// reads woken by poll(), or blocking reads, with nothing done with the bytes. A floor for the monitor's CPU
// that pays what the device emulation charges for each read of a node a program opened (dd reads the node
// through standard input, which the emulation does not see).
// Usage: HollerboxBareHidReader <node> [blocking]

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        return 2;
    }
    const bool blocking = argc > 2;
    const int file = ::open(argv[1], O_RDONLY | O_CLOEXEC | O_NOCTTY | (blocking ? 0 : O_NONBLOCK));
    if (file < 0) {
        return 1;
    }
    char buffer[4096];
    pollfd wait{file, POLLIN, 0};
    for (;;) {
        if (!blocking && ::poll(&wait, 1, -1) < 0 && errno != EINTR) {
            return 1;
        }
        const ssize_t count = ::read(file, buffer, sizeof(buffer));
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
            return 1;
        }
    }
}
