#pragma once

#include <QKeySequence>
#include <QObject>
#include <functional>
#include <vector>

class QWindow;

namespace hollerbox {

/// The application's keyboard shortcuts, active in every window it watches.
class WindowShortcuts final : public QObject
{
    Q_OBJECT

public:
    struct Binding
    {
        QKeySequence sequence;
        std::function<void()> action;
    };

    explicit WindowShortcuts(std::vector<Binding> bindings, QObject* parent = nullptr);

    /// Runs a binding's action, instead of delivering the key, when its sequence is pressed in `window`.
    void watch(QWindow& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Binding> m_bindings;
};

} // namespace hollerbox
