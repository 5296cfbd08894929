#include "LinuxAccelerometerSources.h"

#include "AccelerometerSourceEvdev.h"
#include "AccelerometerSourceIio.h"

namespace hollerbox {

std::vector<std::unique_ptr<AccelerometerSource>>
makeLinuxAccelerometerSources(MainQueue& mainQueue, const LinuxAccelerometerRoots& roots)
{
    std::vector<std::unique_ptr<AccelerometerSource>> sources;
    sources.push_back(std::make_unique<AccelerometerSourceIio>(mainQueue, roots.sysfsRoot, roots.deviceRoot));
    sources.push_back(std::make_unique<AccelerometerSourceEvdev>(roots.sysfsRoot, roots.deviceRoot));
    return sources;
}

} // namespace hollerbox
