#include "linux/audio/ResourceDirectoriesLinux.h"

#include "audio/BuiltInSoundLocator.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

TEST(ResourceDirectoriesLinuxTest, ResourcesLieUnderThePrefixOfTheExecutable)
{
    EXPECT_EQ(ResourceDirectoriesLinux{"/opt/hb/bin/Hollerbox"}.programResourceDirectory(),
              "/opt/hb/share/hollerbox");
    EXPECT_EQ(ResourceDirectoriesLinux{"/opt/hb/libexec/hollerbox/HollerboxBackgroundMonitor"}
                  .programBundleDirectory(),
              "/opt/hb/share/hollerbox");
    EXPECT_EQ(ResourceDirectoriesLinux{"/usr/bin/Hollerbox"}.coreLibraryResourceDirectory(),
              "/usr/share/hollerbox");
    EXPECT_EQ(ResourceDirectoriesLinux{"/Hollerbox"}.programResourceDirectory(), "/share/hollerbox");
    EXPECT_EQ(ResourceDirectoriesLinux{""}.programResourceDirectory(), std::nullopt);
    EXPECT_EQ(ResourceDirectoriesLinux{"relative/bin/x"}.programResourceDirectory(), std::nullopt);
    EXPECT_TRUE(ResourceDirectoriesLinux{}.buildTimeResourceDirectory().ends_with("/share/hollerbox"));
    EXPECT_FALSE(ResourceDirectoriesLinux::runningExecutablePath().empty());
}

TEST(ResourceDirectoriesLinuxTest, ProgramsInTheStageTreeFindTheBuiltInSounds)
{
    const ResourceDirectoriesLinux directories{std::string{HOLLERBOX_STAGE_DIR} +
                                               "/libexec/hollerbox/Monitor"};
    const BuiltInSoundLocator locator{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram,
                                      CoreResourceBundle::Lookup::backgroundMonitor};
    const auto bundle = std::string{HOLLERBOX_STAGE_DIR} + "/share/hollerbox/Hollerbox_HollerboxCore.bundle";
    EXPECT_EQ(locator.coreBundlePath(), bundle);
    for (auto sound : BuiltInAlarmSound::allCases()) {
        const auto file = sound.bundledFileURL(locator);
        ASSERT_TRUE(file.has_value()) << sound.id();
        EXPECT_EQ(*file, bundle + "/BuiltInAlarms/" + std::string{sound.bundledFileName()} + ".mp3");
        EXPECT_TRUE(directories.isFile(*file));
        EXPECT_FALSE(directories.isDirectory(*file));
    }
    EXPECT_TRUE(directories.isDirectory(bundle));
    EXPECT_FALSE(directories.isFile(bundle));
}

} // namespace
} // namespace hollerbox
