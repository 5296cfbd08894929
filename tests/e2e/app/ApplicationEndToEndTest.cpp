#include "ApplicationBus.h"
#include "ApplicationEnvironment.h"
#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "PrivateDBusDaemon.h"
#include "QtTestApplication.h"
#include "ServiceProcess.h"
#include "StatusNotifierWatcherMock.h"
#include "VirtualDisplay.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// One entry of a menu exported as com.canonical.dbusmenu.
struct MenuEntry
{
    int id = 0;
    QVariantMap properties;
    QList<MenuEntry> children;

    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool isEnabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
    bool isSeparator() const
    {
        return properties.value(QStringLiteral("type")) == QStringLiteral("separator");
    }
};

void readMenuEntry(const QDBusArgument& argument, MenuEntry& entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        MenuEntry& added = entry.children.emplace_back();
        readMenuEntry(child.variant().value<QDBusArgument>(), added);
    }
    argument.endArray();
    argument.endStructure();
}

/// The whole content of a small file; empty when it cannot be read.
QString readAll(const QString& file)
{
    QFile handle{file};
    return handle.open(QIODevice::ReadOnly) ? QString::fromUtf8(handle.readAll()) : QString{};
}

/// The real application on an emulated laptop whose sink starts muted at 20 %, with a session bus of its own,
/// optionally with a tray (a StatusNotifierWatcher) on an X server of its own.
class ApplicationEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(m_laptop.start({})) << m_laptop.error();
        m_laptop.logind().addCallerSession();
        ASSERT_TRUE(m_sessionBus.start());
        m_bus = QDBusConnection::connectToBus(m_sessionBus.address(), QStringLiteral("application-test"));
        ASSERT_TRUE(m_bus.isConnected());
    }

    void TearDown() override
    {
        if (HasFailure()) {
            for (auto& application : m_applications) {
                std::cerr << "--- " << application->name() << '\n' << application->logs() << '\n';
            }
        }
        m_applications.clear();
        QDBusConnection::disconnectFromBus(QStringLiteral("application-test"));
    }

    /// The application's environment: the laptop's, the private session bus, files in the test's directory
    /// and the X server when there is one, offscreen otherwise.
    QProcessEnvironment environment() const
    {
        return applicationEnvironment(m_laptop, m_directory.path(), m_sessionBus.address(),
                                      m_display ? m_display->name() : QString{});
    }

    /// An X server: Qt serves StatusNotifierItems on X11, not offscreen.
    void startDisplay()
    {
        m_display = std::make_unique<VirtualDisplay>();
        ASSERT_TRUE(m_display->start());
    }

    void startWatcher()
    {
        m_watcher = std::make_unique<StatusNotifierWatcherMock>(m_sessionBus.address());
        ASSERT_TRUE(m_watcher->start());
    }

    ServiceProcess& launch()
    {
        auto& application = m_applications.emplace_back(std::make_unique<ServiceProcess>(
            "hollerbox " + std::to_string(m_applications.size() + 1),
            QStringLiteral(HOLLERBOX_STAGE_DIR "/bin/hollerbox"), QStringList{}, environment()));
        EXPECT_TRUE(application->start()) << application->logs();
        return *application;
    }

    bool ownsApplicationName(const ServiceProcess& application)
    {
        const auto owner = m_bus.interface()->servicePid(ApplicationBus::service);
        return owner.isValid() && owner.value() == static_cast<uint>(application.processId());
    }

    std::optional<bool> panelVisible() { return ApplicationBus::panelVisible(m_bus); }

    /// The top-level entries of the tray item's menu, separators left out.
    QList<MenuEntry> menu(const QString& item)
    {
        auto call = QDBusMessage::createMethodCall(item, QStringLiteral("/MenuBar"),
                                                   QStringLiteral("com.canonical.dbusmenu"),
                                                   QStringLiteral("GetLayout"));
        call << 0 << -1 << QStringList{};
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
            return {};
        }
        MenuEntry root;
        readMenuEntry(reply.arguments().at(1).value<QDBusArgument>(), root);
        QList<MenuEntry> entries;
        for (const MenuEntry& entry : root.children) {
            if (!entry.isSeparator()) {
                entries << entry;
            }
        }
        return entries;
    }

    static QStringList labels(const QList<MenuEntry>& entries)
    {
        QStringList texts;
        for (const MenuEntry& entry : entries) {
            texts << entry.label();
        }
        return texts;
    }

    void click(const QString& item, const QString& label)
    {
        const QList<MenuEntry> entries = menu(item);
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const MenuEntry& each) { return each.label() == label; });
        ASSERT_NE(entry, entries.end()) << "no entry " << label.toStdString();
        auto call =
            QDBusMessage::createMethodCall(item, QStringLiteral("/MenuBar"),
                                           QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"));
        call << entry->id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant{0}) << 0U;
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, 2000);
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    std::optional<bool> storedProtectionEnabled() const
    {
        return SettingsStore{path(QStringLiteral("config/Hollerbox/Hollerbox.conf"))}.readBool(
            SettingsKeys::protectionEnabled);
    }

    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
    {
        return waitProcessingEvents(condition, limit, 20ms);
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    PrivateDBusDaemon m_sessionBus{QStringLiteral("session"), m_directory.path()};
    QDBusConnection m_bus{QString{}};
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<StatusNotifierWatcherMock> m_watcher;
    std::vector<std::unique_ptr<ServiceProcess>> m_applications;
};

TEST_F(ApplicationEndToEndTest, TrayItemExportsTheCommandsWhichActOnTheRunningApplication)
{
    startDisplay();
    startWatcher();
    ServiceProcess& application = launch();
    ASSERT_TRUE(waitUntil([&] { return !m_watcher->registeredItems().isEmpty(); }, 15s))
        << "the tray item registered";
    const QString item = m_watcher->registeredItems().constFirst();
    ASSERT_TRUE(waitUntil([&] { return !menu(item).isEmpty(); }, 5s));

    const QList<MenuEntry> entries = menu(item);
    EXPECT_EQ(labels(entries), (QStringList{"Settings...", "Preferences...", "About Hollerbox",
                                            "Check for Updates…", "Turn Protection Off", "Trigger Alarm",
                                            "Open About Window", "Open Welcome Window", "Quit"}));
    for (const MenuEntry& entry : entries) {
        EXPECT_EQ(entry.isEnabled(), entry.label() != QStringLiteral("Check for Updates…"))
            << entry.label().toStdString() << ": only the update check waits for an updater";
    }
    EXPECT_EQ(panelVisible(), false) << "with a tray the panel waits for a click";

    click(item, QStringLiteral("Turn Protection Off"));
    EXPECT_TRUE(waitUntil([&] { return storedProtectionEnabled() == false; }, 5s)) << "the switch was stored";
    EXPECT_TRUE(
        waitUntil([&] { return labels(menu(item)).contains(QStringLiteral("Turn Protection On")); }, 5s))
        << "the item was relabelled";

    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(HOLLERBOX_STAGE_DIR "/bin/hollerbox"), {});
    ASSERT_TRUE(waitUntil([&] { return second.state() == QProcess::NotRunning; }, 15s));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_TRUE(application.isRunning());
    EXPECT_TRUE(ownsApplicationName(application)) << "the first instance stays the only one";
    EXPECT_EQ(m_watcher->registeredItems().size(), 1);
    EXPECT_TRUE(waitUntil([&] { return panelVisible() == true; }, 5s))
        << "the second launch showed the panel";

    // An unlocked controller leaves a triggered alarm at its next tick: the manual alarm is tried while
    // locked.
    click(item, QStringLiteral("Turn Protection On"));
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);
    const QString pointer =
        path(QStringLiteral("home/.local/state/Logs/Hollerbox/background-monitor/latest-log-path.txt"));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(pointer); }, 10s)) << "the lock started the monitor";
    const QString logFile = readAll(pointer);
    std::optional<pid_t> monitor;
    ASSERT_TRUE(waitUntil([&] { return (monitor = processWithArgument(logFile)).has_value(); }, 5s));
    EXPECT_EQ(commandLineOf(*monitor),
              (QStringList{HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor", "--arm-delay",
                           "2.0", "--threshold-g", "0.05", "--alarm-volume", "0.6499999761581421",
                           "--repeat-seconds", "2.0", "--poll-ms", "250", "--alarm-sound-base64",
                           "eyJraW5kIjoiYnVpbHRJbiIsImJ1aWx0SW4iOiJoYW5kc09mZiJ9", "--log-file", logFile}));
    click(item, QStringLiteral("Trigger Alarm"));
    EXPECT_TRUE(m_laptop.waitForSink(false, static_cast<double>(0.65F), 10s))
        << "the alarm forced the output";
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), false);
    EXPECT_TRUE(m_laptop.waitForSink(true, 0.2, 5s)) << "the unlock restored the user's mute and volume";
    EXPECT_TRUE(waitUntil([&] { return !processWithArgument(logFile); }, 5s))
        << "the unlock stopped the monitor";

    click(item, QStringLiteral("Quit"));
    EXPECT_TRUE(waitUntil([&] { return !application.isRunning(); }, 10s)) << "Quit ended the application";
}

TEST_F(ApplicationEndToEndTest, WithoutATrayThePanelIsAWindowAtStart)
{
    ServiceProcess& application = launch();
    ASSERT_TRUE(waitUntil([&] { return panelVisible().has_value(); }, 15s)) << "the application is up";
    EXPECT_TRUE(panelVisible().value_or(false)) << "the panel opened as a window";
    EXPECT_TRUE(application.isRunning());
    EXPECT_TRUE(ownsApplicationName(application));
}

TEST_F(ApplicationEndToEndTest, ATrayThatAppearsLaterGetsTheIcon)
{
    startDisplay();
    launch();
    ASSERT_TRUE(waitUntil([&] { return panelVisible() == true; }, 15s))
        << "no tray yet: the panel is a window";
    startWatcher();
    EXPECT_TRUE(waitUntil([&] { return m_watcher->registeredItems().size() == 1; }, 10s))
        << "the item registered with the new tray";
}

TEST_F(ApplicationEndToEndTest, AlarmOutlivesAKilledApplicationAndTheNextOneAdoptsAndStopsTheMonitor)
{
    ServiceProcess& first = launch();
    ASSERT_TRUE(waitUntil([&] { return panelVisible().has_value(); }, 15s)) << "the application is up";
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);
    const QString logs = path(QStringLiteral("home/.local/state/Logs/Hollerbox"));
    const QString pointer = logs + QStringLiteral("/background-monitor/latest-log-path.txt");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(pointer); }, 10s)) << "the lock started the monitor";
    const QString logFile = readAll(pointer);
    LaunchedMonitors monitors{QFileInfo{logFile}.path()};
    std::optional<pid_t> monitor;
    ASSERT_TRUE(waitUntil([&] { return (monitor = processWithArgument(logFile)).has_value(); }, 5s));
    monitors.add(*monitor);
    ASSERT_TRUE(waitForLine(logFile, QStringLiteral("Move the locked Mac to trigger the alarm."), 10s));
    m_laptop.tilt(true);
    ASSERT_TRUE(m_laptop.waitForSink(false, static_cast<double>(0.65F), 10s)) << "the alarm sounds";
    m_laptop.tilt(false);

    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return !first.isRunning(); }, 5s));
    // Every playback is a new stream on the sink, with a higher index than any before it.
    const auto streams = m_laptop.pulse().sinkInputs();
    const auto playedBefore = streams.empty() ? 0 : *std::max_element(streams.begin(), streams.end()) + 1;
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto now = m_laptop.pulse().sinkInputs();
            return std::any_of(now.begin(), now.end(), [&](auto index) { return index >= playedBefore; });
        },
        5s))
        << "the alarm played again after the application was killed";
    EXPECT_TRUE(m_laptop.waitForSink(false, static_cast<double>(0.65F), 1s)) << "still forced";
    EXPECT_EQ(processWithArgument(logFile), monitor);

    launch();
    const QString applicationLog = logs + QStringLiteral("/menubar-broadcaster.log");
    EXPECT_TRUE(waitForLine(
        applicationLog,
        QStringLiteral("Adopted the background monitor already running (process %1).").arg(*monitor), 15s));
    EXPECT_EQ(readAll(pointer), logFile) << "and started no second one";
    m_laptop.logind().setLockedHint(QStringLiteral("c1"), false);
    EXPECT_TRUE(m_laptop.waitForSink(true, 0.2, 5s)) << "the unlock restored the user's mute and volume";
    EXPECT_TRUE(waitUntil([&] { return !processWithArgument(logFile); }, 5s)) << "and stopped the monitor";
}

} // namespace
} // namespace hollerbox::testing
