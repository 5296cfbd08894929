#pragma once

#include "model/ApplicationServices.h"
#include "model/HollerboxModel.h"
#include "model/settings/SettingsStore.h"
#include "model/updates/AppUpdaterController.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QString>
#include <memory>

namespace hollerbox {

class PanelWindow;
class StartupExperienceCoordinator;
class TrayAvailability;
class TrayController;
class ViewWindowFactory;
class WindowShortcuts;

/// The running application: its model and updater, the tray icon with the menu content panel, the windows
/// the views ask for by identifier, the welcome flow and the keyboard shortcuts. Build it after the
/// QApplication; destroying it closes every window first, then the model, which restores the output.
class ApplicationShell final : public QObject
{
    Q_OBJECT

public:
    ApplicationShell();
    ~ApplicationShell() override;

    /// Starts the welcome check and shows the tray icon, or the panel as a window where there is no tray.
    void start();

    /// Opens the window "settings", "preferences" or "about", or brings the open one forward; other
    /// identifiers are ignored.
    void openWindow(const QString& identifier);
    /// Shows the panel in front: next to the tray icon, or as a window without a tray.
    void showPanel();
    void togglePanel();
    void toggleProtection();
    /// Ends the event loop; the caller then destroys the shell.
    void quit();

    bool isPanelVisible() const;
    HollerboxModel& model() { return *m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trayAvailabilityChanged(bool available);
    void routeViewRequests(QQuickWindow& window);

    ApplicationServices m_services;
    std::unique_ptr<HollerboxModel> m_model;
    SettingsStore m_updaterSettings;
    std::unique_ptr<AppUpdaterController> m_updater;
    QQmlEngine m_engine;
    std::unique_ptr<ViewWindowFactory> m_factory;
    std::unique_ptr<WindowShortcuts> m_shortcuts;
    std::unique_ptr<PanelWindow> m_panel;
    std::unique_ptr<TrayController> m_tray;
    std::unique_ptr<TrayAvailability> m_trayAvailability;
    std::unique_ptr<StartupExperienceCoordinator> m_coordinator;
    QHash<QString, QPointer<QQuickWindow>> m_windows;
};

} // namespace hollerbox
