#include "ApplicationShell.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

Q_IMPORT_QML_PLUGIN(Hollerbox_ViewsPlugin)

int main(int argc, char* argv[])
{
    using namespace hollerbox;

    std::signal(SIGPIPE, SIG_IGN);
    QApplication application{argc, argv};
    QApplication::setApplicationName(QStringLiteral("Hollerbox"));
    QApplication::setApplicationVersion(QStringLiteral(HOLLERBOX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.hollerbox.Hollerbox"));
    QApplication::setQuitOnLastWindowClosed(false);
    QQuickStyle::setStyle(QStringLiteral("Fusion"));

    SingleInstance instance;
    if (instance.claim() == SingleInstance::Role::secondary) {
        SingleInstance::askPrimaryToShowPanel();
        return 0;
    }

    auto shell = std::make_unique<ApplicationShell>();
    QObject::connect(&instance.endpoint(), &SingleInstanceEndpoint::showPanelRequested, shell.get(),
                     &ApplicationShell::showPanel);
    instance.endpoint().setPanelVisibility([&shell] { return shell != nullptr && shell->isPanelVisible(); });
    shell->start();
    const int status = QApplication::exec();
    // Destroying the shell closes the windows and then the model, which restores the output. Work that cannot
    // be cut short, such as a sound server that hangs, must not hold the exit up.
    shell.reset();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
