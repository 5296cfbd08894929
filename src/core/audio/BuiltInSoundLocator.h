#pragma once

#include "BuiltInAlarmSound.h"
#include "CoreResourceBundle.h"
#include "ResourceDirectories.h"

#include <mutex>
#include <optional>
#include <string>

namespace hollerbox {

/// Finds the file of a built-in sound: in the core resource bundle (top level, then "BuiltInAlarms"), then in
/// the program's resource directory (the same two places). The bundle is found once, on first use, and kept;
/// a bundle that cannot be found is a broken installation and stops the program.
class BuiltInSoundLocator
{
public:
    /// Which places are searched: all four, or only the program's own resource directory.
    enum class Scope
    {
        coreBundleAndProgram,
        programResourcesOnly
    };

    BuiltInSoundLocator(const ResourceDirectories& directories, Scope scope,
                        CoreResourceBundle::Lookup bundleLookup = CoreResourceBundle::Lookup::standard);

    /// The path of `sound`'s file, or none when no searched place has it.
    std::optional<std::string> bundledFileURL(BuiltInAlarmSound sound) const;

    /// The core resource bundle's path; ends the program when there is none.
    const std::string& coreBundlePath() const;

private:
    const ResourceDirectories& m_directories;
    Scope m_scope = Scope::coreBundleAndProgram;
    CoreResourceBundle::Lookup m_bundleLookup = CoreResourceBundle::Lookup::standard;
    mutable std::once_flag m_bundleOnce;
    mutable std::string m_bundlePath;
};

} // namespace hollerbox
