#pragma once

#include <QKeySequence>
#include <QObject>
#include <functional>
#include <vector>

class QWindow;

namespace hollerbox {

/// The application's keyboard shortcuts, active in every window it watches: Ctrl+, opens the settings,
/// Ctrl+Shift+E switches protection on or off, Ctrl+Shift+T triggers the alarm and Ctrl+Q quits.
class WindowShortcuts final : public QObject
{
    Q_OBJECT

public:
    /// What the shortcuts do.
    struct Commands
    {
        std::function<void()> openSettings;
        std::function<void()> toggleProtection;
        std::function<void()> triggerAlarm;
        std::function<void()> quit;
    };

    explicit WindowShortcuts(Commands commands, QObject* parent = nullptr);

    /// Runs a shortcut's command, instead of delivering the key, when its sequence is pressed in `window`.
    void watch(QWindow& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Binding
    {
        QKeySequence sequence;
        std::function<void()> action;
    };

    std::vector<Binding> m_bindings;
};

} // namespace hollerbox
