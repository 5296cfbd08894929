#include "model/login/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>

namespace hollerbox {
namespace {

const LaunchAtLoginState off{false, LaunchAtLoginSupport::available()};
const LaunchAtLoginState on{true, LaunchAtLoginSupport::available()};

QString readAll(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

void writeAll(const QString& path, const QByteArray& text)
{
    ASSERT_TRUE(QDir{}.mkpath(QFileInfo{path}.absolutePath()));
    QFile file{path};
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

/// The program the desktop entry at `path` runs, as GIO's launcher reads it; empty when GIO refuses the
/// entry (it does so when the program does not exist).
QString launchedProgram(const QString& path)
{
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData());
    if (info == nullptr) {
        return {};
    }
    gchar** argv = nullptr;
    QString program;
    if (g_shell_parse_argv(g_app_info_get_commandline(G_APP_INFO(info)), nullptr, &argv, nullptr)) {
        program = QFile::decodeName(argv[0]);
        g_strfreev(argv);
    }
    g_object_unref(info);
    return program;
}

class LaunchAtLoginManagerTest : public ::testing::Test
{
protected:
    /// An installed tree under `prefix` (its program and its desktop entry) and a manager for it.
    LaunchAtLoginManager managerInTree(const QString& prefix, bool withApplicationEntry = true)
    {
        m_executable = m_root.filePath(prefix + "/bin/hollerbox");
        writeAll(m_executable, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(m_executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString applicationEntry = LaunchAtLoginManager::applicationEntryPathFor(m_executable);
        EXPECT_EQ(applicationEntry,
                  m_root.filePath(prefix + "/share/applications/org.hollerbox.Hollerbox.desktop"));
        if (withApplicationEntry) {
            EXPECT_TRUE(QDir{}.mkpath(QFileInfo{applicationEntry}.absolutePath()));
            EXPECT_TRUE(QFile::copy(HOLLERBOX_STAGE_DIR "/share/applications/org.hollerbox.Hollerbox.desktop",
                                    applicationEntry));
        }
        return LaunchAtLoginManager{m_executable, applicationEntry, m_autostartEntry};
    }

    QTemporaryDir m_root;
    QString m_autostartEntry = m_root.filePath("config/autostart/org.hollerbox.Hollerbox.desktop");
    QString m_executable;
};

TEST_F(LaunchAtLoginManagerTest, TurnsOnAndOffThroughAnAutostartEntryThatRunsThisProgram)
{
    const auto manager = managerInTree("usr");
    EXPECT_EQ(manager.currentState(), off);

    EXPECT_EQ(manager.setEnabled(true), on);
    EXPECT_EQ(manager.currentState(), on);
    EXPECT_EQ(launchedProgram(m_autostartEntry), m_executable);
    const QString written = readAll(m_autostartEntry);
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n") && written.contains("\nName=Hollerbox\n") &&
                written.contains("\nExec=" + m_executable + u'\n') && !written.contains("Exec=hollerbox"))
        << written.toStdString();
    EXPECT_EQ(manager.setEnabled(true), on);

    EXPECT_EQ(manager.setEnabled(false), off);
    EXPECT_FALSE(QFileInfo::exists(m_autostartEntry));
    EXPECT_EQ(manager.setEnabled(false), off);
}

TEST_F(LaunchAtLoginManagerTest, QuotesTheProgramForDesktopLaunchers)
{
    for (const char* prefix : {"My Apps", "cost $HOME", "say \"hi\"", "back\\slash", "it's",
                               "a#b;c&d|e<f>g*h?i(j)k~l`m`", "tab\there"}) {
        SCOPED_TRACE(prefix);
        const auto manager = managerInTree(prefix);
        ASSERT_TRUE(manager.setEnabled(true).enabled);
        EXPECT_EQ(launchedProgram(m_autostartEntry), m_executable) << readAll(m_autostartEntry).toStdString();
    }
    // Written out exactly: quoted, "%" doubled, the backslash and the dollar escaped twice.
    ASSERT_TRUE(managerInTree("50% a\\b $c").setEnabled(true).enabled);
    const QString written = readAll(m_autostartEntry);
    EXPECT_TRUE(written.contains(
        QStringLiteral("\nExec=\"%1/50%% a\\\\\\\\b \\\\$c/bin/hollerbox\"\n").arg(m_root.path())))
        << written.toStdString();
}

TEST_F(LaunchAtLoginManagerTest, EntriesSwitchedOffReadAsOff)
{
    const auto manager = managerInTree("usr");
    struct Case
    {
        const char* entry;
        bool enabled;
    };
    for (const auto& [entry, enabled] :
         {Case{"Hidden=true\n", false}, Case{"Hidden = true\n", false},
          Case{"X-GNOME-Autostart-enabled=false\n", false}, Case{"X-GNOME-Autostart-enabled=0\n", false},
          Case{"Hidden=false\n", true}, Case{"X-GNOME-Autostart-enabled=true\n", true},
          Case{"Hidden[de]=true\n", true}, Case{"\n[Desktop Action quiet]\nHidden=true\n", true},
          Case{"", true}}) {
        SCOPED_TRACE(entry);
        writeAll(m_autostartEntry, QByteArray{"[Desktop Entry]\nType=Application\nExec=hollerbox\n"} + entry);
        EXPECT_EQ(manager.currentState(), enabled ? on : off);
    }

    writeAll(m_autostartEntry, "[Desktop Entry]\nType=Application\nExec=hollerbox\nHidden=true\n");
    EXPECT_TRUE(manager.setEnabled(true).enabled);
    EXPECT_EQ(launchedProgram(m_autostartEntry), m_executable);
}

TEST_F(LaunchAtLoginManagerTest, UnavailableWithoutTheApplicationsDesktopEntry)
{
    const LaunchAtLoginState unavailable{
        false,
        LaunchAtLoginSupport::unavailable("Launch at login is unavailable in this build of Hollerbox.")};
    const auto manager = managerInTree("build", false);
    writeAll(m_autostartEntry, "[Desktop Entry]\nType=Application\nExec=hollerbox\n");

    EXPECT_EQ(manager.currentState(), unavailable);
    EXPECT_EQ(manager.setEnabled(false), unavailable);
    EXPECT_TRUE(QFileInfo::exists(m_autostartEntry));

    qputenv("XDG_CONFIG_HOME", m_root.filePath("config").toUtf8());
    EXPECT_EQ(LaunchAtLoginManager{}.setEnabled(true), unavailable)
        << "this test program's tree has no entry";
}

TEST_F(LaunchAtLoginManagerTest, ReportsAFailedChangeAndKeepsTheStateReadBefore)
{
    const auto manager = managerInTree("usr");
    writeAll(m_root.filePath("config/autostart"), "not a folder");

    const auto state = manager.setEnabled(true);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.support.kind(), LaunchAtLoginSupport::Kind::unavailable);
    EXPECT_TRUE(state.support.message().startsWith("Could not update launch-at-login status: The folder “" +
                                                   m_root.filePath("config/autostart")))
        << state.support.message().toStdString();
}

} // namespace
} // namespace hollerbox
