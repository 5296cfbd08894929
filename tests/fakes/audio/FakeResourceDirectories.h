#pragma once

#include "audio/ResourceDirectories.h"

#include <set>

namespace hollerbox::testing {

/// Resource directories and an in-memory set of existing directories and files.
class FakeResourceDirectories final : public ResourceDirectories
{
public:
    std::optional<std::string> programResourceDirectory() const override { return programResources; }
    std::optional<std::string> coreLibraryResourceDirectory() const override { return coreLibraryResources; }
    std::optional<std::string> programBundleDirectory() const override { return programBundle; }
    std::string buildTimeResourceDirectory() const override { return buildTimeResources; }
    bool isDirectory(const std::string& path) const override
    {
        ++lookups;
        return directories.contains(path);
    }
    bool isFile(const std::string& path) const override
    {
        ++lookups;
        return files.contains(path);
    }

    std::optional<std::string> programResources;
    std::optional<std::string> coreLibraryResources;
    std::optional<std::string> programBundle;
    std::string buildTimeResources = "/build/share/hollerbox";
    std::set<std::string> directories;
    std::set<std::string> files;
    mutable int lookups = 0;
};

} // namespace hollerbox::testing
