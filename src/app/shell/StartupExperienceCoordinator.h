#pragma once

#include "ViewWindowFactory.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <chrono>
#include <functional>

namespace hollerbox {

class HollerboxModel;

/// Shows the welcome window on first use, and on request: at most one at a time, made fresh after the last
/// one closed, kept above other windows where the window system allows it. Closing it ends a live movement
/// test it left running.
class StartupExperienceCoordinator final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds startDelay{350};
    static constexpr QSize welcomeSize{500, 620};

    /// Makes a hidden welcome window around a new welcome view.
    using WelcomeWindowMaker = std::function<ViewWindowFactory::ViewWindow()>;

    StartupExperienceCoordinator(HollerboxModel& model, WelcomeWindowMaker makeWelcomeWindow,
                                 QObject* parent = nullptr);
    ~StartupExperienceCoordinator() override;

    /// After `startDelay`, shows the welcome window if the model still shows onboarding.
    void start();
    /// Shows the welcome window (unless `force` is false and onboarding is done) and brings it forward.
    void presentWelcome(bool force);
    /// The open welcome window, if any.
    QQuickWindow* welcomeWindow() const { return m_welcomeWindow; }

private:
    void endLiveTest();

    HollerboxModel& m_model;
    WelcomeWindowMaker m_makeWelcomeWindow;
    QPointer<QQuickWindow> m_welcomeWindow;
};

} // namespace hollerbox
