#include "IioRawPoller.h"

#include "linux/support/FileDescriptor.h"
#include "motion/AccelerometerUnits.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <variant>

namespace hollerbox {

namespace {

// One raw attribute, opened afresh: the value, or why there is none.
constexpr std::chrono::milliseconds slowReadLimit{1000};

std::variant<std::int64_t, std::string> readRaw(const std::string& path)
{
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
    if (!file.isValid()) {
        return path + " cannot be opened: " + std::generic_category().message(errno);
    }
    char buffer[64];
    ssize_t count = -1;
    do {
        count = ::read(file.get(), buffer, sizeof buffer);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return path + " cannot be read: " + std::generic_category().message(errno);
    }
    const std::string_view text{buffer, static_cast<std::size_t>(count)};
    const auto value = parseSysfsInteger(text);
    if (!value || static_cast<std::size_t>(count) == sizeof buffer) {
        return path + " holds no whole number";
    }
    return *value;
}

} // namespace

struct IioRawPoller::Handlers
{
    ReadingHandler onReading;
    FailureHandler onFailure;
};

struct IioRawPoller::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;
    MainQueue* mainQueue = nullptr;
};

IioRawPoller::IioRawPoller(MainQueue& mainQueue, std::array<std::string, 3> paths, ReadingHandler onReading,
                           FailureHandler onFailure, std::chrono::milliseconds period)
    : m_handlers(std::make_shared<Handlers>(Handlers{std::move(onReading), std::move(onFailure)})),
      m_shared(std::make_shared<Shared>())
{
    m_shared->mainQueue = &mainQueue;
    std::weak_ptr<Handlers> handlers = m_handlers;
    std::thread{[shared = m_shared, handlers, paths = std::move(paths), period] {
        bool failing = false;
        auto next = std::chrono::steady_clock::now();
        while (true) {
            Reading reading{};
            std::string problem;
            for (std::size_t axis = 0; axis < paths.size() && problem.empty(); ++axis) {
                const auto started = std::chrono::steady_clock::now();
                auto value = readRaw(paths[axis]);
                if (auto* text = std::get_if<std::string>(&value)) {
                    problem = std::move(*text);
                } else if (std::chrono::steady_clock::now() - started > slowReadLimit) {
                    // Sensor hubs answer a request that timed out with a value of 0, which would pass for
                    // a reading with no gravity at all.
                    problem = paths[axis] + " answered too slowly to be trusted";
                } else {
                    reading[axis] = std::get<std::int64_t>(value);
                }
            }
            std::unique_lock lock{shared->mutex};
            if (shared->stopped) {
                return;
            }
            if (problem.empty()) {
                failing = false;
                shared->mainQueue->post([handlers, reading] {
                    if (const auto alive = handlers.lock()) {
                        alive->onReading(reading);
                    }
                });
            } else if (!failing) {
                failing = true;
                shared->mainQueue->post([handlers, problem] {
                    if (const auto alive = handlers.lock(); alive && alive->onFailure) {
                        alive->onFailure(problem);
                    }
                });
            }
            const auto now = std::chrono::steady_clock::now();
            next = std::max(next + (failing ? failingPeriod : period), now);
            shared->wake.wait_until(lock, next, [&] { return shared->stopped; });
            if (shared->stopped) {
                return;
            }
        }
    }}.detach();
}

IioRawPoller::~IioRawPoller()
{
    {
        const std::lock_guard lock{m_shared->mutex};
        m_shared->stopped = true;
        m_shared->mainQueue = nullptr;
    }
    m_shared->wake.notify_all();
}

} // namespace hollerbox
