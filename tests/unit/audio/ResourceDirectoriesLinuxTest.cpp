#include "linux/audio/ResourceDirectoriesLinux.h"

#include "audio/BuiltInSoundLocator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
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
    EXPECT_EQ(ResourceDirectoriesLinux::executablePathFromLink("/usr/bin/hollerbox (deleted)"),
              "/usr/bin/hollerbox")
        << "an upgrade that replaced the running file leaves the program where it was";
    EXPECT_EQ(ResourceDirectoriesLinux::executablePathFromLink("/usr/bin/hollerbox"), "/usr/bin/hollerbox");
}

/// Both programs' lookups under `prefix` find every built-in sound at the bundle's real file.
void expectBothProgramsFindTheSounds(const std::string& prefix)
{
    const auto bundle = prefix + "/share/hollerbox/Hollerbox_HollerboxCore.bundle";
    struct Program
    {
        const char* path;
        BuiltInSoundLocator::Scope scope;
        CoreResourceBundle::Lookup lookup;
        std::string foundIn;
    };
    for (const auto& [path, scope, lookup, foundIn] :
         {Program{"/bin/hollerbox", BuiltInSoundLocator::Scope::programResourcesOnly,
                  CoreResourceBundle::Lookup::standard, prefix + "/share/hollerbox/BuiltInAlarms/"},
          Program{"/libexec/hollerbox/HollerboxBackgroundMonitor",
                  BuiltInSoundLocator::Scope::coreBundleAndProgram,
                  CoreResourceBundle::Lookup::backgroundMonitor, bundle + "/BuiltInAlarms/"}}) {
        SCOPED_TRACE(prefix + path);
        const ResourceDirectoriesLinux directories{prefix + path};
        const BuiltInSoundLocator locator{directories, scope, lookup};
        for (auto sound : BuiltInAlarmSound::allCases()) {
            const auto name = std::string{sound.bundledFileName()} + ".mp3";
            const auto file = sound.bundledFileURL(locator);
            ASSERT_TRUE(file.has_value()) << sound.id();
            EXPECT_EQ(*file, foundIn + name);
            EXPECT_TRUE(std::filesystem::is_regular_file(*file));
            EXPECT_EQ(std::filesystem::canonical(*file),
                      std::filesystem::canonical(bundle + "/BuiltInAlarms/" + name));
        }
    }
}

TEST(ResourceDirectoriesLinuxTest, BothProgramsFindTheBuiltInSoundsInTheStageAndAnInstalledTree)
{
    expectBothProgramsFindTheSounds(HOLLERBOX_STAGE_DIR);

    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(HOLLERBOX_CMAKE_COMMAND),
                  {QStringLiteral("-DCMAKE_INSTALL_PREFIX=") + prefix.path(), QStringLiteral("-P"),
                   QStringLiteral(HOLLERBOX_RESOURCES_INSTALL_SCRIPT)});
    ASSERT_TRUE(install.waitForFinished(30000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    EXPECT_TRUE(std::filesystem::is_symlink(
        prefix.filePath(QStringLiteral("share/hollerbox/BuiltInAlarms")).toStdString()));
    expectBothProgramsFindTheSounds(prefix.path().toStdString());
}

} // namespace
} // namespace hollerbox
