#include "ShellTestApplication.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace hollerbox::testing {

namespace {

/// Owns the application for the whole run and ends it before the program exits: Qt's input devices,
/// made when the first key is simulated, outlive neither the application nor Qt's own statics.
class GuiApplicationEnvironment final : public ::testing::Environment
{
public:
    QGuiApplication& application()
    {
        if (m_application == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            qputenv("QT_QUICK_BACKEND", "software");
            // A QApplication, as the program has: QTest's key simulation treats qApp as one when the widgets
            // module is linked.
            m_application = std::make_unique<QApplication>(m_argc, m_argv);
        }
        return *m_application;
    }

    void TearDown() override { m_application.reset(); }

private:
    int m_argc = 1;
    char m_name[21] = "hollerbox-shell-test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

GuiApplicationEnvironment* const environment = [] {
    auto* made = new GuiApplicationEnvironment;
    ::testing::AddGlobalTestEnvironment(made);
    return made;
}();

} // namespace

QGuiApplication& ensureGuiApplication()
{
    return environment->application();
}

} // namespace hollerbox::testing
