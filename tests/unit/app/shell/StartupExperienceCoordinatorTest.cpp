#include "StartupExperienceCoordinator.h"

#include "ModelOnFakes.h"
#include "ShellTestApplication.h"
#include "ViewSignalRouter.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

class StartupExperienceCoordinatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureGuiApplication();
        m_fakes.start();
    }

    /// A window standing for the welcome view's; the count of windows made so far.
    StartupExperienceCoordinator::WelcomeWindowMaker maker()
    {
        return [this] {
            ++m_made;
            ViewWindowFactory::ViewWindow made;
            made.window = std::make_unique<QQuickWindow>();
            made.router = new ViewSignalRouter{made.window.get()};
            return made;
        };
    }

    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ModelOnFakes m_fakes;
    int m_made = 0;
};

TEST_F(StartupExperienceCoordinatorTest, OneWelcomeWindowAtATimeMadeFreshAfterItClosed)
{
    StartupExperienceCoordinator coordinator{*m_fakes.model(), maker()};
    coordinator.presentWelcome(true);
    QQuickWindow* first = coordinator.welcomeWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());

    coordinator.presentWelcome(true);
    EXPECT_EQ(coordinator.welcomeWindow(), first);
    EXPECT_EQ(m_made, 1);

    first->close();
    settle();
    EXPECT_EQ(coordinator.welcomeWindow(), nullptr);
    coordinator.presentWelcome(true);
    EXPECT_EQ(m_made, 2) << "a closed welcome window is made fresh";
}

TEST_F(StartupExperienceCoordinatorTest, ClosingTheWelcomeWindowEndsTheLiveMovementTest)
{
    HollerboxModel& model = *m_fakes.model();
    m_fakes.advance(200);
    ASSERT_TRUE(model.welcomeHardwareAlarmTestActive()) << "the first start runs the live test";

    StartupExperienceCoordinator coordinator{model, maker()};
    coordinator.presentWelcome(false);
    ASSERT_NE(coordinator.welcomeWindow(), nullptr);
    coordinator.welcomeWindow()->close();
    EXPECT_FALSE(model.welcomeHardwareAlarmTestActive());
    EXPECT_FALSE(model.controller().isMovementTestMode()) << "a lift while the user works must not sound";
}

TEST_F(StartupExperienceCoordinatorTest, OnlyAForcedRequestShowsTheWelcomeOnceOnboardingIsDone)
{
    m_fakes.model()->dismissOnboarding();
    StartupExperienceCoordinator coordinator{*m_fakes.model(), maker()};
    coordinator.presentWelcome(false);
    EXPECT_EQ(coordinator.welcomeWindow(), nullptr);
    coordinator.presentWelcome(true);
    EXPECT_NE(coordinator.welcomeWindow(), nullptr);
}

} // namespace
} // namespace hollerbox::testing
