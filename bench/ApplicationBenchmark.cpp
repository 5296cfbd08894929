// Measures the tray application's cost and prints a table: the CPU time and resident memory of the real
// `hollerbox` over a fixed window, and the frames its scene graph rendered, with the panel closed, open, and
// closed again at the unlocked laptop, then locked while protection arms and once it is armed (the watch
// handed to the background monitor, whose own cost is not counted here), panel closed and open. It runs on an
// emulated laptop with a session bus, a tray (a StatusNotifierWatcher mock) and an X server of its own, with
// the welcome already dismissed and the Qt Quick software renderer, as the end-to-end tests run it. Usage:
// HollerboxApplicationBenchmark [measured seconds per situation, default 20]

#include "ApplicationBus.h"
#include "ApplicationEnvironment.h"
#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "PrivateDBusDaemon.h"
#include "ProcessUsage.h"
#include "QtTestApplication.h"
#include "ServiceProcess.h"
#include "StatusNotifierWatcherMock.h"
#include "VirtualDisplay.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

using namespace hollerbox;
using namespace hollerbox::benchmarks;
using namespace hollerbox::testing;
using namespace std::chrono_literals;

namespace {

const QString kBusName = QStringLiteral("application-benchmark");
constexpr auto kSettle = 3s;
// What the arm delay leaves beyond the two arming situations, for reaching them.
constexpr auto kArmDelayMargin = 10s;
// With this message pattern, each frame the scene graph renders is one line that starts with this.
constexpr std::string_view kFrameLogPrefix = "qt.scenegraph.time.renderloop: ";
constexpr std::string_view kFrameLogWord = "rendered";

struct Situation
{
    std::string name;
    std::optional<bool> panelVisible;
    double cpuPercent = NAN;
    double residentMegabytes = NAN;
    double residentGrowthMegabytes = NAN;
    int framesOnArrival = -1;
    int frames = -1;
};

double seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

int countFrames(std::string_view logs)
{
    int frames = 0;
    std::size_t start = 0;
    while (start < logs.size()) {
        const std::size_t end = std::min(logs.find('\n', start), logs.size());
        const std::string_view line = logs.substr(start, end - start);
        if (line.substr(0, kFrameLogPrefix.size()) == kFrameLogPrefix &&
            line.find(kFrameLogWord) != std::string_view::npos) {
            ++frames;
        }
        start = end + 1;
    }
    return frames;
}

/// The application and everything it runs on, started fresh.
class Rig
{
public:
    /// Starts the laptop, the buses, the display and the tray, then the application with its welcome
    /// dismissed; true once its tray item is registered.
    bool start(std::chrono::seconds armDelay)
    {
        if (!m_directory.isValid()) {
            return fail("no temporary directory");
        }
        if (!m_laptop.start({})) {
            return fail(m_laptop.error());
        }
        m_laptop.logind().setCallerSession(QStringLiteral("c1"));
        m_laptop.logind().addSession(QStringLiteral("c1"));
        if (!m_sessionBus.start()) {
            return fail("the session bus did not start");
        }
        m_bus = QDBusConnection::connectToBus(m_sessionBus.address(), kBusName);
        m_watcher = std::make_unique<StatusNotifierWatcherMock>(m_sessionBus.address());
        if (!m_bus.isConnected() || !m_display.start() || !m_watcher->start()) {
            return fail("the session bus, the X server or the tray did not start");
        }
        SettingsStore settings{path(QStringLiteral("config/Hollerbox/Hollerbox.conf"))};
        settings.writeBool(SettingsKeys::hasDismissedOnboarding, true);
        settings.writeDouble(SettingsKeys::armDelaySeconds, static_cast<double>(armDelay.count()));
        settings.sync();

        m_application = std::make_unique<ServiceProcess>(
            "hollerbox", QStringLiteral(HOLLERBOX_STAGE_DIR "/bin/hollerbox"), QStringList{}, environment());
        if (!m_application->start()) {
            return fail("hollerbox did not start");
        }
        if (!waitProcessingEvents([&] { return !m_watcher->registeredItems().isEmpty(); }, 15s)) {
            return fail("the tray item did not register");
        }
        m_item = m_watcher->registeredItems().constFirst();
        return true;
    }

    ~Rig()
    {
        if (m_application) {
            m_application->stop();
        }
        QDBusConnection::disconnectFromBus(kBusName);
    }

    std::optional<bool> panelVisible() { return ApplicationBus::panelVisible(m_bus); }

    /// Asks the running application to show its panel, as a second launch does.
    bool showPanel() { return ApplicationBus::showPanel(m_bus); }

    /// Clicks the tray icon, which toggles the panel.
    bool clickTrayIcon()
    {
        auto call = QDBusMessage::createMethodCall(m_item, QStringLiteral("/StatusNotifierItem"),
                                                   QStringLiteral("org.kde.StatusNotifierItem"),
                                                   QStringLiteral("Activate"));
        call << 0 << 0;
        return m_bus.call(call, QDBus::Block, 2000).type() != QDBusMessage::ErrorMessage;
    }

    bool waitForPanel(bool visible)
    {
        return waitProcessingEvents([&] { return panelVisible() == visible; }, 5s);
    }

    /// Lets the application settle, then measures it over `window` without talking to it.
    Situation measure(std::string name, std::chrono::seconds window)
    {
        Situation situation;
        situation.name = std::move(name);
        situation.panelVisible = panelVisible();
        processEventsFor(kSettle);
        const qint64 pid = m_application->processId();
        const std::size_t logsBefore = m_application->logs().size();
        situation.framesOnArrival = countFrames(
            std::string_view{m_application->logs()}.substr(m_logsMeasured, logsBefore - m_logsMeasured));
        const double residentBefore = residentMegabytes(pid);
        const double cpuBefore = cpuSeconds(pid);
        const auto from = std::chrono::steady_clock::now();
        processEventsFor(window);
        const double cpuUsed = cpuSeconds(pid) - cpuBefore;
        situation.cpuPercent = 100.0 * cpuUsed / seconds(std::chrono::steady_clock::now() - from);
        situation.residentMegabytes = residentMegabytes(pid);
        situation.residentGrowthMegabytes = situation.residentMegabytes - residentBefore;
        m_logsMeasured = m_application->logs().size();
        situation.frames = countFrames(std::string_view{m_application->logs()}.substr(logsBefore));
        return situation;
    }

    /// Locks the screen; protection arms once the arm delay has passed from now.
    void lockScreen()
    {
        m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);
        m_lockedAt = std::chrono::steady_clock::now();
    }

    /// Waits, processing events, until `delay` has passed since the lock.
    void waitSinceLock(std::chrono::seconds delay)
    {
        processEventsFor(std::chrono::duration_cast<std::chrono::milliseconds>(std::max(
            std::chrono::steady_clock::duration{}, m_lockedAt + delay - std::chrono::steady_clock::now())));
    }

    bool isRunning() const { return m_application && m_application->isRunning(); }
    std::string logs() { return m_application ? m_application->logs() : std::string{}; }
    const std::string& error() const { return m_error; }

private:
    bool fail(std::string error)
    {
        m_error = std::move(error);
        return false;
    }

    QProcessEnvironment environment() const
    {
        auto environment =
            applicationEnvironment(m_laptop, m_directory.path(), m_sessionBus.address(), m_display.name());
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("qt.scenegraph.time.renderloop.debug=true"));
        environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
        environment.remove(QStringLiteral("QSG_RENDER_LOOP"));
        return environment;
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    PrivateDBusDaemon m_sessionBus{QStringLiteral("session"), m_directory.path()};
    QDBusConnection m_bus{QString{}};
    VirtualDisplay m_display;
    std::unique_ptr<StatusNotifierWatcherMock> m_watcher;
    std::unique_ptr<ServiceProcess> m_application;
    QString m_item;
    std::size_t m_logsMeasured = 0;
    std::chrono::steady_clock::time_point m_lockedAt;
    std::string m_error;
};

std::string cell(double value, const char* unit, int decimals = 1)
{
    if (std::isnan(value)) {
        return "n/a";
    }
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "%.*f %s", decimals, value, unit);
    return buffer;
}

std::string yesNo(std::optional<bool> value)
{
    return value ? (*value ? "yes" : "no") : "n/a";
}

} // namespace

int main(int argc, char* argv[])
{
    ensureCoreApplication();
    const std::chrono::seconds window{argc > 1 ? std::max(1, std::atoi(argv[1])) : 20};

    // Long enough for the countdown shown while arming to run through both arming situations.
    const std::chrono::seconds armDelay =
        2 * (std::chrono::duration_cast<std::chrono::seconds>(kSettle) + window) + kArmDelayMargin;

    Rig rig;
    std::cerr << "starting hollerbox on an emulated laptop...\n";
    if (!rig.start(armDelay)) {
        std::cerr << "could not start: " << rig.error() << '\n' << rig.logs() << '\n';
        return 1;
    }
    std::vector<Situation> situations;
    const auto run = [&](std::string name, const std::function<bool()>& reach) {
        std::cerr << "measuring " << name << " (" << kSettle.count() << " s settle, " << window.count()
                  << " s window)...\n";
        if (!reach()) {
            std::cerr << name << ": the application did not get there\n";
        }
        situations.push_back(rig.measure(std::move(name), window));
    };
    run("unlocked, panel closed", [&] { return rig.waitForPanel(false); });
    run("unlocked, panel open", [&] { return rig.showPanel() && rig.waitForPanel(true); });
    run("unlocked, panel closed again", [&] { return rig.clickTrayIcon() && rig.waitForPanel(false); });
    run("locked, arming, panel closed", [&] {
        rig.lockScreen();
        return rig.waitForPanel(false);
    });
    run("locked, arming, panel open", [&] { return rig.showPanel() && rig.waitForPanel(true); });
    run("locked, armed, panel open", [&] {
        rig.waitSinceLock(armDelay + 2s);
        return rig.waitForPanel(true);
    });
    run("locked, armed, panel closed", [&] { return rig.clickTrayIcon() && rig.waitForPanel(false); });
    if (!rig.isRunning()) {
        std::cerr << "hollerbox ended during the benchmark:\n" << rig.logs() << '\n';
        return 1;
    }

    const Situation& idle = situations.front();
    const bool cpuMet = idle.cpuPercent < 1.0;
    const bool lockedCpuMet = std::all_of(situations.begin(), situations.end(), [](const Situation& s) {
        return s.name.rfind("locked", 0) != 0 || s.cpuPercent < 1.0;
    });
    const bool memoryMet = idle.residentMegabytes < 120.0;
    const auto row = [&](const std::string& label, const std::string& target, auto value) {
        std::cout << "| " << label << " | " << target;
        for (const Situation& situation : situations) {
            std::cout << " | " << value(situation);
        }
        std::cout << " |\n";
    };
    std::cout << "| measurement (" << window.count() << " s window) | target while idle";
    for (const Situation& situation : situations) {
        std::cout << " | " << situation.name;
    }
    std::cout << " |\n|---|---";
    for (std::size_t index = 0; index < situations.size(); ++index) {
        std::cout << "|---";
    }
    std::cout << "|\n";
    row("panel visible (PanelVisible)", "no", [](const Situation& s) { return yesNo(s.panelVisible); });
    row("CPU", "under 1 % of a core",
        [](const Situation& s) { return cell(s.cpuPercent, "% of a core", 2); });
    row("resident memory (VmRSS)", "under 120 MB",
        [](const Situation& s) { return cell(s.residentMegabytes, "MB"); });
    row("resident memory growth over the window", "",
        [](const Situation& s) { return cell(s.residentGrowthMegabytes, "MB"); });
    row("frames rendered on the way there and in the settle", "",
        [](const Situation& s) { return std::to_string(s.framesOnArrival); });
    row("frames rendered in the window (" + std::to_string(window.count() * 4) + " controller ticks)",
        "0 while hidden", [](const Situation& s) { return std::to_string(s.frames); });
    std::cout << "\nidle targets: CPU " << (cpuMet ? "met" : "NOT met") << ", memory "
              << (memoryMet ? "met" : "NOT met") << "; CPU while locked under 1 % of a core "
              << (lockedCpuMet ? "met" : "NOT met") << '\n';
    const bool hiddenRepaints = std::any_of(situations.begin(), situations.end(), [](const Situation& s) {
        return s.panelVisible == false && s.frames > 0;
    });
    std::cout << "hidden panel " << (hiddenRepaints ? "RENDERED frames" : "rendered no frames") << '\n';
    return 0;
}
