#include "LogLocations.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace hollerbox::LogLocations {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string{value} : std::string{};
}

std::string homeDirectory()
{
    auto home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home;
}

} // namespace

std::string directoryPathFor(const std::string& xdgStateHome, const std::string& home)
{
    std::filesystem::path library;
    if (!xdgStateHome.empty() && std::filesystem::path{xdgStateHome}.is_absolute()) {
        library = xdgStateHome;
    } else if (!home.empty()) {
        library = std::filesystem::path{home} / ".local" / "state";
    } else {
        library = std::filesystem::path{home} / "Library";
    }
    return (library / "Logs" / "Hollerbox" / "background-monitor").string();
}

const std::string& directoryPath()
{
    static const std::string path = [] {
        auto directory = directoryPathFor(environment("XDG_STATE_HOME"), homeDirectory());
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
        return directory;
    }();
    return path;
}

const std::string& defaultLogFilePath()
{
    static const std::string path =
        (std::filesystem::path{directoryPath()} / "background-monitor.log").string();
    return path;
}

} // namespace hollerbox::LogLocations
