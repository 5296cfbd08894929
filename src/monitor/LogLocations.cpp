#include "LogLocations.h"

#include "linux/base/XdgDirectories.h"

#include <filesystem>

namespace hollerbox::LogLocations {

namespace {

std::string logDirectoryIn(const std::string& stateDirectory)
{
    return (std::filesystem::path{stateDirectory} / "Logs" / "Hollerbox" / "background-monitor").string();
}

} // namespace

std::string directoryPathFor(const std::string& xdgStateHome, const std::string& home)
{
    return logDirectoryIn(XdgDirectories::resolve(xdgStateHome, home, ".local/state"));
}

const std::string& directoryPath()
{
    static const std::string path = [] {
        auto directory = logDirectoryIn(XdgDirectories::stateHome());
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
