#include "HollerboxDiagnostics.h"

#include "ports/SystemLog.h"

#include <array>
#include <cstdio>
#include <mutex>

namespace hollerbox::HollerboxDiagnostics {

namespace {

struct LogChannel
{
    std::mutex mutex;
    std::shared_ptr<SystemLog> systemLog;
};

LogChannel& channel()
{
    static LogChannel instance;
    return instance;
}

std::shared_ptr<SystemLog> currentSystemLog()
{
    auto& instance = channel();
    const std::lock_guard lock{instance.mutex};
    return instance.systemLog;
}

} // namespace

void setSystemLog(std::shared_ptr<SystemLog> systemLog)
{
    auto& instance = channel();
    const std::lock_guard lock{instance.mutex};
    instance.systemLog = std::move(systemLog);
}

std::string formatTimestamp(WallTime at)
{
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(at);
    const auto days = floor<std::chrono::days>(seconds);
    const year_month_day date{days};
    const hh_mm_ss time{seconds - days};
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return buffer.data();
}

std::string formattedEntry(std::string_view message, WallTime at)
{
    std::string entry = formatTimestamp(at);
    entry += "  ";
    entry += message;
    return entry;
}

std::string log(std::string_view message, WallTime at)
{
    std::string entry = formattedEntry(message, at);
    if (const auto systemLog = currentSystemLog()) {
        systemLog->info(category, entry);
    }
    return entry;
}

} // namespace hollerbox::HollerboxDiagnostics
