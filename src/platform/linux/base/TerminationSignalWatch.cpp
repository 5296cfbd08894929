#include "TerminationSignalWatch.h"

#include "linux/support/FileDescriptor.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox {

namespace {

/// The self-pipe, made once and kept for the life of the process, so that a handler running on another
/// thread can never write to a descriptor that was just closed and reused.
struct SignalPipe
{
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
};

SignalPipe& signalPipe()
{
    static SignalPipe pipe = [] {
        SignalPipe made;
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            made.readEnd.reset(fds[0]);
            made.writeEnd.reset(fds[1]);
        }
        return made;
    }();
    return pipe;
}

std::atomic<int> g_writeEnd{-1};

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    if (const int fd = g_writeEnd.load(); fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

bool setDisposition(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0;
}

} // namespace

TerminationSignalWatch::TerminationSignalWatch(std::function<void()> handler) : m_handler(std::move(handler))
{
    setDisposition(SIG_IGN);
    const auto& pipe = signalPipe();
    if (!pipe.readEnd.isValid()) {
        // Without a watch, the signal must still be able to stop the process.
        setDisposition(SIG_DFL);
        return;
    }
    char drained[64];
    while (::read(pipe.readEnd.get(), drained, sizeof(drained)) > 0) {
    }
    g_writeEnd.store(pipe.writeEnd.get());
    if (!setDisposition(onTerminationSignal)) {
        g_writeEnd.store(-1);
        setDisposition(SIG_DFL);
        return;
    }
    // A launcher may have left the signal blocked; the watch must see it.
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    ::pthread_sigmask(SIG_UNBLOCK, &terminate, nullptr);

    m_notifier = std::make_unique<QSocketNotifier>(pipe.readEnd.get(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { drain(); });
    m_active = true;
}

TerminationSignalWatch::~TerminationSignalWatch()
{
    setDisposition(SIG_IGN);
    g_writeEnd.store(-1);
    m_notifier.reset();
}

void TerminationSignalWatch::drain()
{
    char buffer[64];
    bool received = false;
    while (::read(signalPipe().readEnd.get(), buffer, sizeof(buffer)) > 0) {
        received = true;
    }
    if (received && m_handler) {
        m_handler();
    }
}

} // namespace hollerbox
