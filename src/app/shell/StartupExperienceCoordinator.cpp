#include "StartupExperienceCoordinator.h"

#include "ViewSignalRouter.h"
#include "model/HollerboxModel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace hollerbox {

StartupExperienceCoordinator::StartupExperienceCoordinator(HollerboxModel& model,
                                                           WelcomeWindowMaker makeWelcomeWindow,
                                                           QObject* parent)
    : QObject(parent), m_model(model), m_makeWelcomeWindow(std::move(makeWelcomeWindow))
{}

StartupExperienceCoordinator::~StartupExperienceCoordinator()
{
    delete m_welcomeWindow.data();
}

void StartupExperienceCoordinator::start()
{
    QTimer::singleShot(startDelay, this, [this] {
        if (m_model.showsOnboarding()) {
            presentWelcome(false);
        }
    });
}

void StartupExperienceCoordinator::presentWelcome(bool force)
{
    if (!force && !m_model.showsOnboarding()) {
        return;
    }
    if (m_welcomeWindow == nullptr) {
        ViewWindowFactory::ViewWindow made = m_makeWelcomeWindow();
        QQuickWindow* window = made.window.release();
        window->setFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint);
        window->setMinimumSize(welcomeSize);
        window->setMaximumSize(welcomeSize);
        connect(made.router, &ViewSignalRouter::continueRequested, window, &QWindow::close);
        connect(window, &QWindow::visibleChanged, window, [this, window](bool visible) {
            if (!visible) {
                endLiveTest();
                window->deleteLater();
            }
        });
        m_welcomeWindow = window;
    }
    QQuickWindow& window = *m_welcomeWindow;
    window.show();
    if (const QScreen* screen = window.screen()) {
        const QRect frame = window.frameGeometry();
        window.setPosition(screen->availableGeometry().center() -
                           QPoint{frame.width() / 2, frame.height() / 2});
    }
    window.raise();
    window.requestActivate();
}

void StartupExperienceCoordinator::endLiveTest()
{
    // The live movement test belongs to the welcome window: closed early, it must not go on sounding the
    // alarm at the next lift while the user works.
    if (m_model.welcomeHardwareAlarmTestActive() ||
        m_model.motionSensorHardwareCheck().status == HardwareCheckStatus::checking) {
        m_model.stopWelcomeHardwareTest();
    }
}

} // namespace hollerbox
