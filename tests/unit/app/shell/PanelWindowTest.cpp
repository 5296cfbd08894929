#include "PanelWindow.h"

#include "ShellTestApplication.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QTest>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class PanelWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { m_other.resize(200, 200); }

    /// Shows the panel active, then gives the focus to another window of the application.
    void presentThenActivateAnother()
    {
        m_panel.present();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_panel.window()));
        m_other.show();
        m_other.requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_other));
    }

    QGuiApplication& m_application = ensureGuiApplication();
    std::chrono::steady_clock::time_point m_now{1h};
    PanelWindow m_panel{std::make_unique<QQuickWindow>(), [this] { return m_now; }};
    QWindow m_other;
};

TEST_F(PanelWindowTest, OnlyTheFramelessTrayPanelHidesWhenItLosesTheFocus)
{
    for (const bool trayMode : {true, false}) {
        SCOPED_TRACE(trayMode ? "tray panel" : "ordinary window");
        m_panel.setTrayMode(trayMode);
        ASSERT_NO_FATAL_FAILURE(presentThenActivateAnother());
        EXPECT_EQ(m_panel.window().flags().testFlag(Qt::FramelessWindowHint), trayMode);
        EXPECT_EQ(m_panel.isVisible(), !trayMode);
        m_panel.hide();
        m_other.hide();
    }
}

TEST_F(PanelWindowTest, TheTrayClickThatTookTheFocusDoesNotShowThePanelAgain)
{
    struct ClickCase
    {
        std::chrono::milliseconds after;
        bool shows;
    };
    m_panel.setTrayMode(true);
    for (const ClickCase each : {ClickCase{100ms, false}, ClickCase{400ms, true}}) {
        SCOPED_TRACE(each.after.count());
        ASSERT_NO_FATAL_FAILURE(presentThenActivateAnother());
        ASSERT_FALSE(m_panel.isVisible());
        m_now += each.after;
        m_panel.toggle();
        EXPECT_EQ(m_panel.isVisible(), each.shows);
        m_panel.hide();
        m_other.hide();
    }
}

} // namespace
} // namespace hollerbox::testing
