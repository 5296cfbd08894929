#pragma once

#include <optional>
#include <string>

namespace hollerbox {

/// Where the running program keeps its resources, and which of those paths exist. Any thread.
class ResourceDirectories
{
public:
    virtual ~ResourceDirectories() = default;

    /// The running program's resource directory, or none when it cannot be determined.
    virtual std::optional<std::string> programResourceDirectory() const = 0;
    /// The resource directory of what holds the core library's code, or none.
    virtual std::optional<std::string> coreLibraryResourceDirectory() const = 0;
    /// The directory the running program was installed as (its bundle), or none.
    virtual std::optional<std::string> programBundleDirectory() const = 0;
    /// The resource location fixed when the program was built.
    virtual std::string buildTimeResourceDirectory() const = 0;

    /// Whether `path` names an existing directory.
    virtual bool isDirectory(const std::string& path) const = 0;
    /// Whether `path` names an existing file that is not a directory.
    virtual bool isFile(const std::string& path) const = 0;
};

} // namespace hollerbox
