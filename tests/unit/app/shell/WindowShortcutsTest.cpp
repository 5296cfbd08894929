#include "WindowShortcuts.h"

#include "ShellTestApplication.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hollerbox::testing {
namespace {

/// The focused item of a view: records the keys, other than modifiers, that reach it.
class KeyRecorder final : public QQuickItem
{
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Control && event->key() != Qt::Key_Shift && event->key() != Qt::Key_Alt) {
            keys.push_back(event->key());
        }
    }
};

struct ShortcutCase
{
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<std::string> ran;
};

const ShortcutCase shortcutCases[] = {
    {"Ctrl+, opens the settings", Qt::Key_Comma, Qt::ControlModifier, {"openSettings"}},
    {"Ctrl+Shift+E switches protection",
     Qt::Key_E,
     Qt::ControlModifier | Qt::ShiftModifier,
     {"toggleProtection"}},
    {"Ctrl+Shift+T triggers the alarm", Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier, {"triggerAlarm"}},
    {"Ctrl+Q quits", Qt::Key_Q, Qt::ControlModifier, {"quit"}},
    {"Ctrl+E without Shift is the view's", Qt::Key_E, Qt::ControlModifier, {}},
    {"Ctrl+Shift+Q with an extra modifier is the view's",
     Qt::Key_Q,
     Qt::ControlModifier | Qt::ShiftModifier,
     {}},
    {"Ctrl+Alt+Shift+T is the view's",
     Qt::Key_T,
     Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier,
     {}},
    {"a plain comma is the view's", Qt::Key_Comma, Qt::NoModifier, {}},
};

TEST(WindowShortcutsTest, RunsTheCommandOnceAndKeepsTheKeyFromTheViewOrLeavesOtherKeysToIt)
{
    ensureGuiApplication();
    std::vector<std::string> ran;
    const auto record = [&ran](const char* command) {
        return [&ran, command] { ran.emplace_back(command); };
    };
    WindowShortcuts shortcuts{
        {record("openSettings"), record("toggleProtection"), record("triggerAlarm"), record("quit")}};
    QQuickWindow window;
    KeyRecorder view;
    view.setParentItem(window.contentItem());
    view.setFocus(true);
    shortcuts.watch(window);
    window.show();
    window.requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(view.hasActiveFocus());

    for (const ShortcutCase& each : shortcutCases) {
        SCOPED_TRACE(each.name);
        ran.clear();
        view.keys.clear();
        QTest::keyClick(&window, each.key, each.modifiers);
        EXPECT_EQ(ran, each.ran);
        EXPECT_EQ(view.keys, each.ran.empty() ? std::vector<int>{each.key} : std::vector<int>{});
    }
}

} // namespace
} // namespace hollerbox::testing
