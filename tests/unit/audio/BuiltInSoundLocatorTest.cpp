#include "audio/BuiltInSoundLocator.h"

#include "audio/FakeResourceDirectories.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

constexpr auto kBundle = "/opt/hb/share/hollerbox/Hollerbox_HollerboxCore.bundle";

class BuiltInSoundLocatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        directories.programResources = "/opt/hb/share/hollerbox";
        directories.coreLibraryResources = "/opt/hb/lib/resources";
        directories.programBundle = "/opt/hb/bin";
        directories.directories.insert(kBundle);
    }

    FakeResourceDirectories directories;
};

TEST_F(BuiltInSoundLocatorTest, SearchesBundleTopThenSubdirectoryThenProgramResources)
{
    BuiltInSoundLocator locator{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    const auto police = BuiltInAlarmSound{BuiltInAlarmSound::policeAlarm};
    EXPECT_EQ(police.bundledFileURL(locator), std::nullopt);

    directories.files.insert("/opt/hb/share/hollerbox/BuiltInAlarms/police-alarm.mp3");
    EXPECT_EQ(police.bundledFileURL(locator), "/opt/hb/share/hollerbox/BuiltInAlarms/police-alarm.mp3");
    directories.files.insert("/opt/hb/share/hollerbox/police-alarm.mp3");
    EXPECT_EQ(police.bundledFileURL(locator), "/opt/hb/share/hollerbox/police-alarm.mp3");
    directories.files.insert(std::string{kBundle} + "/BuiltInAlarms/police-alarm.mp3");
    EXPECT_EQ(police.bundledFileURL(locator), std::string{kBundle} + "/BuiltInAlarms/police-alarm.mp3");
    directories.files.insert(std::string{kBundle} + "/police-alarm.mp3");
    EXPECT_EQ(police.bundledFileURL(locator), std::string{kBundle} + "/police-alarm.mp3");

    EXPECT_EQ(BuiltInAlarmSound{BuiltInAlarmSound::handsOff}.bundledFileURL(locator), std::nullopt);
    directories.files.insert(std::string{kBundle} + "/BuiltInAlarms/hands-off.mp3");
    EXPECT_EQ(BuiltInAlarmSound{BuiltInAlarmSound::handsOff}.bundledFileURL(locator),
              std::string{kBundle} + "/BuiltInAlarms/hands-off.mp3");
}

TEST_F(BuiltInSoundLocatorTest, ProgramScopeNeverLooksForTheBundle)
{
    directories.directories.clear();
    directories.files.insert(std::string{kBundle} + "/what-are-you-doing.mp3");
    BuiltInSoundLocator locator{directories, BuiltInSoundLocator::Scope::programResourcesOnly};
    EXPECT_EQ(locator.bundledFileURL(BuiltInAlarmSound::whatAreYouDoing), std::nullopt);
    directories.files.insert("/opt/hb/share/hollerbox/BuiltInAlarms/what-are-you-doing.mp3");
    EXPECT_EQ(locator.bundledFileURL(BuiltInAlarmSound::whatAreYouDoing),
              "/opt/hb/share/hollerbox/BuiltInAlarms/what-are-you-doing.mp3");
}

TEST_F(BuiltInSoundLocatorTest, TheBundleIsFoundOnceAndKept)
{
    BuiltInSoundLocator locator{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    EXPECT_EQ(locator.coreBundlePath(), kBundle);
    directories.directories.clear();
    directories.directories.insert("/opt/hb/bin/Hollerbox_HollerboxCore.bundle");
    const auto before = directories.lookups;
    EXPECT_EQ(locator.coreBundlePath(), kBundle);
    EXPECT_EQ(directories.lookups, before);
}

TEST_F(BuiltInSoundLocatorTest, CandidateOrderOfBothLookups)
{
    directories.directories.clear();
    using Lookup = CoreResourceBundle::Lookup;
    EXPECT_EQ(CoreResourceBundle::candidates(directories, Lookup::standard),
              (std::vector<std::string>{kBundle, "/opt/hb/lib/resources/Hollerbox_HollerboxCore.bundle",
                                        "/opt/hb/bin/Hollerbox_HollerboxCore.bundle"}));
    directories.directories.insert("/opt/hb/bin/Hollerbox_HollerboxCore.bundle");
    directories.directories.insert("/opt/hb/lib/resources/Hollerbox_HollerboxCore.bundle");
    EXPECT_EQ(CoreResourceBundle::find(directories, Lookup::standard).path,
              "/opt/hb/lib/resources/Hollerbox_HollerboxCore.bundle");
    directories.directories.insert("/build/share/hollerbox/Hollerbox_HollerboxCore.bundle");
    EXPECT_EQ(CoreResourceBundle::find(directories, Lookup::backgroundMonitor).path,
              "/opt/hb/bin/Hollerbox_HollerboxCore.bundle");
    directories.directories.erase("/opt/hb/bin/Hollerbox_HollerboxCore.bundle");
    EXPECT_EQ(CoreResourceBundle::find(directories, Lookup::backgroundMonitor).path,
              "/build/share/hollerbox/Hollerbox_HollerboxCore.bundle");
}

TEST_F(BuiltInSoundLocatorTest, AMissingBundleNamesWhatWasTried)
{
    directories.directories.clear();
    using Lookup = CoreResourceBundle::Lookup;
    const auto standard = CoreResourceBundle::find(directories, Lookup::standard);
    EXPECT_FALSE(standard.path.has_value());
    EXPECT_EQ(standard.failureMessage, "unable to find bundle named Hollerbox_HollerboxCore");
    EXPECT_EQ(CoreResourceBundle::find(directories, Lookup::backgroundMonitor).failureMessage,
              "could not load resource bundle: from /opt/hb/bin/Hollerbox_HollerboxCore.bundle or "
              "/build/share/hollerbox/Hollerbox_HollerboxCore.bundle");
}

TEST_F(BuiltInSoundLocatorTest, AMissingBundleStopsTheProgram)
{
    directories.directories.clear();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    BuiltInSoundLocator locator{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram};
    EXPECT_DEATH(locator.bundledFileURL(BuiltInAlarmSound::handsOff),
                 "Fatal error: unable to find bundle named Hollerbox_HollerboxCore");
    BuiltInSoundLocator monitorLocator{directories, BuiltInSoundLocator::Scope::coreBundleAndProgram,
                                       CoreResourceBundle::Lookup::backgroundMonitor};
    EXPECT_DEATH(monitorLocator.coreBundlePath(),
                 "Fatal error: could not load resource bundle: from /opt/hb/bin/");
}

} // namespace
} // namespace hollerbox::testing
