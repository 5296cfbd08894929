#include "PanelWindow.h"

#include "PanelPlacement.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QScreen>

namespace hollerbox {

namespace {

// A tray click that takes the focus from the panel arrives this long after the panel hid itself.
constexpr std::chrono::milliseconds focusLossClickWindow{300};

} // namespace

PanelWindow::PanelWindow(std::unique_ptr<QQuickWindow> window, Now now, QObject* parent)
    : QObject(parent), m_window(std::move(window)), m_now(std::move(now))
{
    m_window->resize(size);
    m_window->setTitle(QStringLiteral("Hollerbox"));
    connect(m_window.get(), &QWindow::activeChanged, this, &PanelWindow::windowActiveChanged);
}

PanelWindow::~PanelWindow() = default;

bool PanelWindow::isVisible() const
{
    return m_window->isVisible();
}

void PanelWindow::present(QRect iconGeometry)
{
    if (!m_window->isVisible()) {
        Qt::WindowFlags flags = Qt::Window;
        if (m_trayMode) {
            flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
        }
        m_window->setFlags(flags);
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr && (m_trayMode || m_window->position().isNull())) {
            if (!iconGeometry.isEmpty()) {
                if (QScreen* iconScreen = QGuiApplication::screenAt(iconGeometry.center())) {
                    screen = iconScreen;
                }
            }
            m_window->setScreen(screen);
            m_window->setPosition(PanelPlacement::position(size, iconGeometry, screen->availableGeometry()));
        }
    }
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void PanelWindow::toggle(QRect iconGeometry)
{
    if (m_window->isVisible()) {
        hide();
    } else if (m_now() - m_hiddenByFocusLossAt > focusLossClickWindow) {
        present(iconGeometry);
    }
}

void PanelWindow::hide()
{
    m_window->hide();
}

void PanelWindow::windowActiveChanged()
{
    if (m_trayMode && m_window->isVisible() && !m_window->isActive() &&
        m_window->flags().testFlag(Qt::FramelessWindowHint)) {
        m_hiddenByFocusLossAt = m_now();
        m_window->hide();
    }
}

} // namespace hollerbox
