#pragma once

#include "audio/ResourceDirectories.h"

#include <optional>
#include <string>

namespace hollerbox {

/// The resource directories of a program installed under a prefix: `<prefix>/share/hollerbox`, where the
/// prefix holds the running executable (in `bin` or `libexec/hollerbox`). A build tree's stage directory is
/// laid out the same way. The core library is linked into each program, so its resource directory and the
/// program's "bundle" are that same directory.
class ResourceDirectoriesLinux final : public ResourceDirectories
{
public:
    /// Resolves the directories of the running program (from /proc/self/exe).
    ResourceDirectoriesLinux();
    /// Resolves the directories of the program at `executablePath`.
    explicit ResourceDirectoriesLinux(std::string executablePath);

    std::optional<std::string> programResourceDirectory() const override { return m_resourceDirectory; }
    std::optional<std::string> coreLibraryResourceDirectory() const override { return m_resourceDirectory; }
    std::optional<std::string> programBundleDirectory() const override { return m_resourceDirectory; }
    std::string buildTimeResourceDirectory() const override;
    bool isDirectory(const std::string& path) const override;
    bool isFile(const std::string& path) const override;

    /// The path of the running executable (where it was started from, also once an upgrade replaced it), or
    /// empty when it cannot be read.
    static std::string runningExecutablePath();
    /// The executable's path from the target of /proc/<pid>/exe, without the mark of a replaced file.
    static std::string executablePathFromLink(std::string linkTarget);

private:
    std::optional<std::string> m_resourceDirectory;
};

} // namespace hollerbox
