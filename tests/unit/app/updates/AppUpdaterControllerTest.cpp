#include "model/updates/AppUpdaterController.h"

#include "QtTestApplication.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace hollerbox {
namespace {

class FakeUpdater final : public AppUpdater
{
public:
    bool canCheckForUpdates() const override { return canCheck; }
    bool automaticallyChecksForUpdates() const override { return automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { automaticChecks = enabled; }
    void checkForUpdates() override { ++checks; }
    void setChangeHandler(ChangeHandler handler) override { changed = std::move(handler); }

    std::atomic<bool> canCheck{true};
    std::atomic<bool> automaticChecks{true};
    int checks = 0;
    ChangeHandler changed;
};

class AppUpdaterControllerTest : public ::testing::Test
{
protected:
    void SetUp() override { testing::ensureCoreApplication(); }

    void watch(AppUpdaterController& controller)
    {
        QObject::connect(&controller, &AppUpdaterController::canCheckForUpdatesChanged, &controller,
                         [this] { ++m_canCheckNotifications; });
        QObject::connect(&controller, &AppUpdaterController::automaticallyChecksForUpdatesChanged,
                         &controller, [this] { ++m_automaticNotifications; });
    }

    std::optional<bool> storedChoice() const
    {
        return m_settings.readBool(SettingsKeys::didChooseAutomaticChecksPreference);
    }

    QTemporaryDir m_directory;
    SettingsStore m_settings{m_directory.filePath(QStringLiteral("Hollerbox.conf"))};
    int m_canCheckNotifications = 0;
    int m_automaticNotifications = 0;
    const QString m_bundle = QStringLiteral("/Applications/Hollerbox.app");
    const QVariantMap m_configured{{"SUFeedURL", "https://updates.example.org/appcast.xml"},
                                   {"SUPublicEDKey", "key"}};
};

TEST_F(AppUpdaterControllerTest, WithoutUpdateConfigurationNoUpdaterIsEverCreated)
{
    int created = 0;
    AppUpdaterController controller{QStringLiteral("/usr/bin"), {}, m_settings, [&](const QUrl&) {
                                        ++created;
                                        return std::make_unique<FakeUpdater>();
                                    }};
    watch(controller);
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(controller.support(), AppUpdaterSupport::unavailable(QStringLiteral(
                                        "Automatic updates are unavailable in this version of Hollerbox.")));
    EXPECT_FALSE(controller.canCheckForUpdates());
    EXPECT_FALSE(controller.automaticallyChecksForUpdates());
    controller.checkForUpdates();
    controller.continueWithoutAutomaticChecks();
    EXPECT_EQ(storedChoice(), std::nullopt);
    EXPECT_EQ(m_automaticNotifications, 0);
    EXPECT_FALSE(controller.didChooseAutomaticChecksPreference());
    controller.recordAutomaticChecksChoice();
    EXPECT_EQ(storedChoice(), true) << "the welcome flow's answer where updates are unavailable";
    EXPECT_TRUE(controller.didChooseAutomaticChecksPreference());
    m_settings.writeBool(SettingsKeys::didChooseAutomaticChecksPreference, false);
    controller.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(controller.automaticallyChecksForUpdates());
    EXPECT_EQ(m_automaticNotifications, 1);
    EXPECT_EQ(storedChoice(), true);
    EXPECT_EQ(created, 0);
}

TEST_F(AppUpdaterControllerTest, FollowsAndDrivesTheUpdaterOfAConfiguredBuild)
{
    FakeUpdater* updater = nullptr;
    QUrl feed;
    AppUpdaterController controller{m_bundle, m_configured, m_settings, [&](const QUrl& appcastUrl) {
                                        feed = appcastUrl;
                                        auto created = std::make_unique<FakeUpdater>();
                                        updater = created.get();
                                        return created;
                                    }};
    watch(controller);
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(feed, QUrl{QStringLiteral("https://updates.example.org/appcast.xml")});
    EXPECT_TRUE(controller.support().isAvailable());
    EXPECT_FALSE(controller.canCheckForUpdates()) << "values are copied on the next turn of the event loop";
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(controller.canCheckForUpdates());
    EXPECT_TRUE(controller.automaticallyChecksForUpdates());
    EXPECT_EQ(m_canCheckNotifications, 1);
    updater->canCheck = false;
    std::thread{[&] { updater->changed(); }}.join();
    EXPECT_TRUE(controller.canCheckForUpdates());
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(controller.canCheckForUpdates());
    EXPECT_EQ(m_canCheckNotifications, 2);
    controller.checkForUpdates();
    EXPECT_EQ(updater->checks, 1);
    controller.setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->automaticChecks);
    EXPECT_FALSE(controller.automaticallyChecksForUpdates());
    EXPECT_EQ(storedChoice(), true);
    m_settings.writeBool(SettingsKeys::didChooseAutomaticChecksPreference, false);
    updater->automaticChecks = true;
    QCoreApplication::sendPostedEvents();
    controller.continueWithoutAutomaticChecks();
    EXPECT_FALSE(updater->automaticChecks);
    EXPECT_FALSE(controller.automaticallyChecksForUpdates());
    EXPECT_EQ(storedChoice(), true);
}

TEST_F(AppUpdaterControllerTest, ConfiguredBuildWithoutAnUpdateFrameworkStillRecordsTheChoice)
{
    AppUpdaterController controller{m_bundle, m_configured, m_settings};
    QCoreApplication::sendPostedEvents();
    controller.checkForUpdates();
    controller.continueWithoutAutomaticChecks();
    EXPECT_FALSE(controller.canCheckForUpdates());
    EXPECT_EQ(storedChoice(), true);
}

} // namespace
} // namespace hollerbox
