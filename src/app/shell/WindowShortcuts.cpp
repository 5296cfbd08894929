#include "WindowShortcuts.h"

#include <QKeyEvent>
#include <QWindow>

namespace hollerbox {

WindowShortcuts::WindowShortcuts(Commands commands, QObject* parent)
    : QObject(parent), m_bindings{
                           {QKeySequence{Qt::CTRL | Qt::Key_Comma}, std::move(commands.openSettings)},
                           {QKeySequence{Qt::CTRL | Qt::SHIFT | Qt::Key_E},
                            std::move(commands.toggleProtection)},
                           {QKeySequence{Qt::CTRL | Qt::SHIFT | Qt::Key_T}, std::move(commands.triggerAlarm)},
                           {QKeySequence{Qt::CTRL | Qt::Key_Q}, std::move(commands.quit)},
                       }
{}

void WindowShortcuts::watch(QWindow& window)
{
    window.installEventFilter(this);
}

bool WindowShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed{key->keyCombination()};
    for (const Binding& binding : m_bindings) {
        if (binding.sequence == pressed) {
            if (event->type() == QEvent::KeyPress) {
                binding.action();
            }
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hollerbox
