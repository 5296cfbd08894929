#include "CoreResourceBundle.h"

#include <cstdio>
#include <cstdlib>

namespace hollerbox::CoreResourceBundle {

namespace {

std::string joined(const std::string& directory, std::string_view component)
{
    if (!directory.empty() && directory.back() == '/') {
        return directory + std::string{component};
    }
    return directory + "/" + std::string{component};
}

} // namespace

std::vector<std::string> candidates(const ResourceDirectories& directories, Lookup lookup)
{
    std::vector<std::optional<std::string>> bases;
    if (lookup == Lookup::standard) {
        bases = {directories.programResourceDirectory(), directories.coreLibraryResourceDirectory(),
                 directories.programBundleDirectory()};
    } else {
        bases = {directories.programBundleDirectory(), directories.buildTimeResourceDirectory()};
    }
    std::vector<std::string> paths;
    for (const auto& base : bases) {
        if (base && !base->empty()) {
            paths.push_back(joined(*base, directoryName));
        }
    }
    return paths;
}

Location find(const ResourceDirectories& directories, Lookup lookup)
{
    const auto paths = candidates(directories, lookup);
    for (const auto& path : paths) {
        if (directories.isDirectory(path)) {
            return {path, {}};
        }
    }
    if (lookup == Lookup::standard) {
        return {std::nullopt, "unable to find bundle named " + std::string{name}};
    }
    const auto first = paths.empty() ? std::string{} : paths.front();
    const auto second = paths.size() < 2 ? std::string{} : paths[1];
    return {std::nullopt, "could not load resource bundle: from " + first + " or " + second};
}

void fatalError(std::string_view message)
{
    std::fprintf(stderr, "Fatal error: %.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    std::abort();
}

} // namespace hollerbox::CoreResourceBundle
