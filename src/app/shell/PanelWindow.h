#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <chrono>
#include <functional>
#include <memory>

class QQuickWindow;

namespace hollerbox {

/// The menu content panel's window. With a tray it is a frameless panel next to the icon that hides when it
/// loses the focus; without one it is an ordinary window.
class PanelWindow final : public QObject
{
    Q_OBJECT

public:
    static constexpr QSize size{380, 520};
    /// The current monotonic time.
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    /// Takes `window` (hidden, holding the menu content view); `now` times the clicks after a focus loss.
    explicit PanelWindow(std::unique_ptr<QQuickWindow> window, Now now = &std::chrono::steady_clock::now,
                         QObject* parent = nullptr);
    ~PanelWindow() override;

    /// Whether the panel belongs to a tray icon; applies from the next time it is shown.
    void setTrayMode(bool trayMode) { m_trayMode = trayMode; }
    bool isTrayMode() const { return m_trayMode; }
    bool isVisible() const;

    /// Shows the panel in front, placed by the tray icon's `iconGeometry` (empty when unknown).
    void present(QRect iconGeometry = {});
    /// Hides a shown panel, shows a hidden one; a click that took the focus from the panel does not
    /// show it again.
    void toggle(QRect iconGeometry = {});
    void hide();
    QQuickWindow& window() { return *m_window; }

private:
    void windowActiveChanged();

    std::unique_ptr<QQuickWindow> m_window;
    Now m_now;
    bool m_trayMode = false;
    std::chrono::steady_clock::time_point m_hiddenByFocusLossAt;
};

} // namespace hollerbox
