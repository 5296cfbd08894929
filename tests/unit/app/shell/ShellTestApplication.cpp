#include "ShellTestApplication.h"

#include <QGuiApplication>

namespace hollerbox::testing {

QGuiApplication& ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "hollerbox-shell-test";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    static QGuiApplication application{argc, argv};
    return application;
}

} // namespace hollerbox::testing
