#include "BuiltInSoundLocator.h"

#include <array>

namespace hollerbox {

BuiltInSoundLocator::BuiltInSoundLocator(const ResourceDirectories& directories, Scope scope,
                                         CoreResourceBundle::Lookup bundleLookup)
    : m_directories(directories), m_scope(scope), m_bundleLookup(bundleLookup)
{}

const std::string& BuiltInSoundLocator::coreBundlePath() const
{
    std::call_once(m_bundleOnce, [this] {
        auto location = CoreResourceBundle::find(m_directories, m_bundleLookup);
        if (!location.path) {
            CoreResourceBundle::fatalError(location.failureMessage);
        }
        m_bundlePath = std::move(*location.path);
    });
    return m_bundlePath;
}

std::optional<std::string> BuiltInSoundLocator::bundledFileURL(BuiltInAlarmSound sound) const
{
    const auto fileName =
        std::string{sound.bundledFileName()} + "." + std::string{sound.bundledFileExtension()};
    std::vector<std::string> places;
    if (m_scope == Scope::coreBundleAndProgram) {
        const auto& bundle = coreBundlePath();
        places.push_back(bundle + "/" + fileName);
        places.push_back(bundle + "/BuiltInAlarms/" + fileName);
    }
    if (const auto resources = m_directories.programResourceDirectory()) {
        places.push_back(*resources + "/" + fileName);
        places.push_back(*resources + "/BuiltInAlarms/" + fileName);
    }
    for (const auto& place : places) {
        if (m_directories.isFile(place)) {
            return place;
        }
    }
    return std::nullopt;
}

} // namespace hollerbox
