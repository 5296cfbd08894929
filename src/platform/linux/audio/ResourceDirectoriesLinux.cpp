#include "ResourceDirectoriesLinux.h"

#include <array>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#ifndef HOLLERBOX_INSTALL_DATADIR
#error "HOLLERBOX_INSTALL_DATADIR must name the installed resource directory"
#endif

namespace hollerbox {

namespace {

std::string parentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string{"/"} : path.substr(0, slash);
}

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

ResourceDirectoriesLinux::ResourceDirectoriesLinux() : ResourceDirectoriesLinux(runningExecutablePath()) {}

ResourceDirectoriesLinux::ResourceDirectoriesLinux(std::string executablePath)
{
    if (executablePath.empty() || executablePath.front() != '/') {
        return;
    }
    auto directory = parentOf(executablePath);
    if (endsWith(directory, "/libexec/hollerbox")) {
        directory = parentOf(parentOf(directory));
    } else {
        directory = parentOf(directory);
    }
    m_resourceDirectory = (directory == "/" ? std::string{} : directory) + "/share/hollerbox";
}

std::string ResourceDirectoriesLinux::buildTimeResourceDirectory() const
{
    return HOLLERBOX_INSTALL_DATADIR;
}

bool ResourceDirectoriesLinux::isDirectory(const std::string& path) const
{
    struct stat status
    {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool ResourceDirectoriesLinux::isFile(const std::string& path) const
{
    struct stat status
    {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string ResourceDirectoriesLinux::runningExecutablePath()
{
    std::array<char, PATH_MAX> buffer{};
    const auto length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    return executablePathFromLink(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

std::string ResourceDirectoriesLinux::executablePathFromLink(std::string linkTarget)
{
    // After an upgrade replaced the running file, the link names the old one with this mark; the path is
    // still where the program, and its newer version, lives.
    constexpr std::string_view replacedMark = " (deleted)";
    if (endsWith(linkTarget, replacedMark)) {
        linkTarget.resize(linkTarget.size() - replacedMark.size());
    }
    return linkTarget;
}

} // namespace hollerbox
