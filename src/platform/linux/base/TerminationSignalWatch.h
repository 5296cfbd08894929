#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace hollerbox {

/// Delivers SIGTERM to a handler on the thread that created the watch, through a self-pipe, instead of
/// letting it end the process. Once the watch is gone SIGTERM stays ignored, so that a second signal cannot
/// cut a clean shutdown short; a watch that cannot be set up leaves the default disposition in place.
/// One watch at a time.
class TerminationSignalWatch final
{
public:
    explicit TerminationSignalWatch(std::function<void()> handler);
    ~TerminationSignalWatch();

    TerminationSignalWatch(const TerminationSignalWatch&) = delete;
    TerminationSignalWatch& operator=(const TerminationSignalWatch&) = delete;

    /// Whether the watch is installed (false when the pipe or the disposition could not be set up).
    bool isActive() const { return m_active; }

private:
    void drain();

    std::function<void()> m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};

} // namespace hollerbox
