#include "TerminationSignalWatch.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

std::atomic<int> g_writeEnd{-1};

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const int fd = g_writeEnd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignalWatch::TerminationSignalWatch(std::function<void()> handler) : m_handler(std::move(handler))
{
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_readEnd.reset(fds[0]);
    m_writeEnd.reset(fds[1]);
    g_writeEnd.store(m_writeEnd.get());

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &action, nullptr) != 0) {
        g_writeEnd.store(-1);
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd.get(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    m_active = true;
}

TerminationSignalWatch::~TerminationSignalWatch()
{
    if (m_active) {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGTERM, &ignore, nullptr);
        g_writeEnd.store(-1);
    }
    m_notifier.reset();
}

void TerminationSignalWatch::drain()
{
    char buffer[64];
    bool received = false;
    while (::read(m_readEnd.get(), buffer, sizeof(buffer)) > 0) {
        received = true;
    }
    if (received && m_handler) {
        m_handler();
    }
}

} // namespace hollerbox
