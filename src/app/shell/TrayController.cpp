#include "TrayController.h"

#include "TrayIconImage.h"
#include "model/HollerboxModel.h"
#include "model/updates/AppUpdaterController.h"

#include <QGuiApplication>
#include <QPalette>

namespace hollerbox {

TrayController::TrayController(HollerboxModel& model, AppUpdaterController& updater, Commands commands,
                               QObject* parent)
    : QObject(parent), m_model(model), m_updater(updater), m_commands(std::move(commands))
{
    const auto open = [this](const QString& identifier) {
        return [this, identifier] { m_commands.openWindow(identifier); };
    };
    const auto hint = [](QAction* action, const QKeySequence& sequence) {
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetShortcut);
    };
    hint(m_menu.addAction(QStringLiteral("Settings..."), this, open(QStringLiteral("settings"))),
         QKeySequence{Qt::CTRL | Qt::Key_Comma});
    m_menu.addAction(QStringLiteral("Preferences..."), this, open(QStringLiteral("preferences")));
    m_menu.addAction(QStringLiteral("About Hollerbox"), this, open(QStringLiteral("about")));
    m_checkForUpdates = m_menu.addAction(QStringLiteral("Check for Updates…"), &m_updater,
                                         &AppUpdaterController::checkForUpdates);
    m_menu.addSeparator();
    m_protection = m_menu.addAction(QString{}, this,
                                    [this] { m_model.setProtectionEnabled(!m_model.protectionEnabled()); });
    hint(m_protection, QKeySequence{Qt::CTRL | Qt::SHIFT | Qt::Key_E});
    hint(m_menu.addAction(QStringLiteral("Trigger Alarm"), &m_model, &HollerboxModel::triggerAlarmNow),
         QKeySequence{Qt::CTRL | Qt::SHIFT | Qt::Key_T});
    m_menu.addAction(QStringLiteral("Open About Window"), this, open(QStringLiteral("about")));
    m_menu.addAction(QStringLiteral("Open Welcome Window"), this, [this] { m_commands.openWelcome(); });
    m_menu.addSeparator();
    hint(m_menu.addAction(QStringLiteral("Quit"), this, [this] { m_commands.quit(); }),
         QKeySequence{Qt::CTRL | Qt::Key_Q});

    connect(&m_model, &HollerboxModel::protectionEnabledChanged, this, [this] {
        refreshProtectionLabel();
        refreshIcon();
    });
    connect(&m_updater, &AppUpdaterController::canCheckForUpdatesChanged, this,
            &TrayController::refreshUpdateCommand);
    refreshProtectionLabel();
    refreshUpdateCommand();
}

TrayController::~TrayController()
{
    if (m_icon != nullptr) {
        m_icon->setContextMenu(nullptr);
    }
}

void TrayController::setVisible(bool visible)
{
    if (m_icon == nullptr && visible) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_icon->setContextMenu(&m_menu);
        m_icon->setToolTip(QStringLiteral("Hollerbox"));
        connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        m_commands.togglePanel();
                    }
                });
        refreshIcon();
    }
    if (m_icon != nullptr) {
        m_icon->setVisible(visible);
    }
}

void TrayController::refreshIcon()
{
    if (m_icon == nullptr) {
        return;
    }
    m_icon->setIcon(TrayIconImage::icon(m_model.menuBarIconName(),
                                        QGuiApplication::palette().color(QPalette::WindowText)));
}

void TrayController::refreshProtectionLabel()
{
    m_protection->setText(m_model.protectionEnabled() ? QStringLiteral("Turn Protection Off")
                                                      : QStringLiteral("Turn Protection On"));
}

void TrayController::refreshUpdateCommand()
{
    m_checkForUpdates->setEnabled(m_updater.canCheckForUpdates());
}

} // namespace hollerbox
