#include "ApplicationShell.h"

#include "PanelWindow.h"
#include "StartupExperienceCoordinator.h"
#include "SymbolImageProvider.h"
#include "TrayAvailability.h"
#include "TrayController.h"
#include "ViewSignalRouter.h"
#include "ViewWindowFactory.h"
#include "WindowShortcuts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace hollerbox {

namespace {

struct WindowKind
{
    const char* identifier;
    const char* typeName;
    const char* title;
    QSize size;
    bool takesUpdater;
};

constexpr WindowKind windowKinds[] = {
    {"settings", "SettingsView", "Settings", {520, 460}, true},
    {"preferences", "PreferencesView", "Preferences", {460, 340}, false},
    {"about", "AboutView", "About Hollerbox", {520, 500}, false},
};

} // namespace

ApplicationShell::ApplicationShell()
    : m_model(std::make_unique<HollerboxModel>(m_services.modelServices())),
      m_updater(std::make_unique<AppUpdaterController>(QCoreApplication::applicationDirPath(), QVariantMap{},
                                                       m_updaterSettings)),
      m_factory(std::make_unique<ViewWindowFactory>(m_engine))
{
    registerViewImageProviders(m_engine);
    m_shortcuts = std::make_unique<WindowShortcuts>(WindowShortcuts::Commands{
        [this] { openWindow(QStringLiteral("settings")); }, [this] { toggleProtection(); },
        [this] { m_model->triggerAlarmNow(); }, [this] { quit(); }});

    auto panel =
        m_factory->create(QStringLiteral("ContentView"), QStringLiteral("Hollerbox"), PanelWindow::size,
                          {{QStringLiteral("model"), QVariant::fromValue<QObject*>(m_model.get())}});
    routeViewRequests(*panel.window);
    m_panel = std::make_unique<PanelWindow>(std::move(panel.window));

    m_tray = std::make_unique<TrayController>(
        *m_model, *m_updater,
        TrayController::Commands{[this](const QString& identifier) { openWindow(identifier); },
                                 [this] { m_coordinator->presentWelcome(true); }, [this] { togglePanel(); },
                                 [this] { quit(); }});

    m_coordinator = std::make_unique<StartupExperienceCoordinator>(*m_model, [this] {
        auto made =
            m_factory->create(QStringLiteral("WelcomeView"), QStringLiteral("Welcome to Hollerbox"),
                              StartupExperienceCoordinator::welcomeSize,
                              {{QStringLiteral("model"), QVariant::fromValue<QObject*>(m_model.get())},
                               {QStringLiteral("updater"), QVariant::fromValue<QObject*>(m_updater.get())}});
        routeViewRequests(*made.window);
        return made;
    });
    qApp->installEventFilter(this);
}

ApplicationShell::~ApplicationShell()
{
    qApp->removeEventFilter(this);
    for (const QPointer<QQuickWindow>& window : std::as_const(m_windows)) {
        delete window.data();
    }
    m_coordinator.reset();
    m_tray.reset();
    m_panel.reset();
    m_engine.clearComponentCache();
    m_updater.reset();
    m_model.reset();
}

void ApplicationShell::start()
{
    m_trayAvailability = std::make_unique<TrayAvailability>();
    connect(m_trayAvailability.get(), &TrayAvailability::availableChanged, this,
            &ApplicationShell::trayAvailabilityChanged);
    trayAvailabilityChanged(m_trayAvailability->isAvailable());
    if (!m_trayAvailability->isAvailable()) {
        showPanel();
    }
    m_coordinator->start();
}

void ApplicationShell::trayAvailabilityChanged(bool available)
{
    m_tray->setVisible(available);
    m_panel->setTrayMode(available);
}

void ApplicationShell::routeViewRequests(QQuickWindow& window)
{
    m_shortcuts->watch(window);
    auto* router = window.findChild<ViewSignalRouter*>(QString{}, Qt::FindDirectChildrenOnly);
    if (router == nullptr) {
        return;
    }
    connect(router, &ViewSignalRouter::openWindowRequested, this, &ApplicationShell::openWindow);
    connect(router, &ViewSignalRouter::quitRequested, this, &ApplicationShell::quit);
}

void ApplicationShell::openWindow(const QString& identifier)
{
    const auto kind =
        std::find_if(std::begin(windowKinds), std::end(windowKinds),
                     [&](const WindowKind& each) { return identifier == QLatin1String(each.identifier); });
    if (kind == std::end(windowKinds)) {
        return;
    }
    QPointer<QQuickWindow>& window = m_windows[identifier];
    if (window == nullptr) {
        QVariantMap properties{{QStringLiteral("model"), QVariant::fromValue<QObject*>(m_model.get())}};
        if (kind->takesUpdater) {
            properties.insert(QStringLiteral("updater"), QVariant::fromValue<QObject*>(m_updater.get()));
        }
        if (identifier == QLatin1String("about")) {
            properties.insert(QStringLiteral("version"), QStringLiteral(HOLLERBOX_VERSION));
        }
        auto made = m_factory->create(QLatin1String(kind->typeName), QLatin1String(kind->title), kind->size,
                                      properties);
        routeViewRequests(*made.window);
        window = made.window.release();
        connect(window, &QWindow::visibleChanged, window, [closing = window.data()](bool visible) {
            if (!visible) {
                closing->deleteLater();
            }
        });
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            window->setPosition(screen->availableGeometry().center() -
                                QPoint{kind->size.width() / 2, kind->size.height() / 2});
        }
    }
    window->show();
    window->raise();
    window->requestActivate();
}

void ApplicationShell::showPanel()
{
    m_panel->present(m_tray->isVisible() ? m_tray->iconGeometry() : QRect{});
}

void ApplicationShell::togglePanel()
{
    m_panel->toggle(m_tray->iconGeometry());
}

void ApplicationShell::toggleProtection()
{
    m_model->setProtectionEnabled(!m_model->protectionEnabled());
}

void ApplicationShell::quit()
{
    QCoreApplication::exit(0);
}

bool ApplicationShell::isPanelVisible() const
{
    return m_panel->isVisible();
}

bool ApplicationShell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        ViewWindowFactory::applyPalette(m_panel->window());
        for (const QPointer<QQuickWindow>& window : std::as_const(m_windows)) {
            if (window != nullptr) {
                ViewWindowFactory::applyPalette(*window);
            }
        }
        if (QQuickWindow* welcome = m_coordinator->welcomeWindow()) {
            ViewWindowFactory::applyPalette(*welcome);
        }
        m_tray->refreshIcon();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hollerbox
