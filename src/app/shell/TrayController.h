#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

namespace hollerbox {

class AppUpdaterController;
class HollerboxModel;

/// The tray icon and its context menu of the application's commands. The icon follows the model's
/// protection switch; a left click asks for the panel. The icon is made when first shown: Qt decides once
/// per process, when the first one is made, whether the desktop's D-Bus tray is there.
class TrayController final : public QObject
{
    Q_OBJECT

public:
    /// What the menu's commands do.
    struct Commands
    {
        std::function<void(const QString& identifier)> openWindow;
        std::function<void()> openWelcome;
        std::function<void()> togglePanel;
        std::function<void()> quit;
    };

    TrayController(HollerboxModel& model, AppUpdaterController& updater, Commands commands,
                   QObject* parent = nullptr);
    ~TrayController() override;

    /// Shows or hides the icon in the tray.
    void setVisible(bool visible);
    bool isVisible() const { return m_icon != nullptr && m_icon->isVisible(); }
    /// The icon's place on the screen; empty where the tray does not tell it.
    QRect iconGeometry() const { return m_icon != nullptr ? m_icon->geometry() : QRect{}; }
    /// Draws the icon again, e.g. after the palette changed.
    void refreshIcon();
    QMenu& menu() { return m_menu; }

private:
    void refreshProtectionLabel();
    void refreshUpdateCommand();

    HollerboxModel& m_model;
    AppUpdaterController& m_updater;
    Commands m_commands;
    QMenu m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction* m_checkForUpdates = nullptr;
    QAction* m_protection = nullptr;
};

} // namespace hollerbox
