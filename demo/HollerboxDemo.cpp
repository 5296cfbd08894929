// Shows the whole product on an emulated laptop made of real parts: a private PulseAudio null sink, an
// emulated IIO accelerometer and a mocked logind. The real `hollerbox` runs on the user's display, or on an X
// server of its own where there is none. The demo reads and presses its windows through the accessibility
// bus, as a screen reader would: the welcome check and its test alarm, the end of the welcome, a lock that
// hands protection to the background monitor, a lift that sounds the alarm at the forced volume, and the
// unlock that stops the monitor and gives the user's sound settings back.

#include "AccessibilityBus.h"
#include "ApplicationEnvironment.h"
#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "MonitorRecorder.h"
#include "NotificationDaemonMock.h"
#include "PrivateDBusDaemon.h"
#include "QtTestApplication.h"
#include "ScreenGrab.h"
#include "ServiceProcess.h"
#include "VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

using namespace hollerbox::testing;
using hollerbox::demo::saveScreenshot;
using namespace std::chrono_literals;

namespace {

constexpr double userVolume = 0.5;
constexpr double forcedVolume = 0.65;
constexpr double audibleRms = 0.02;

std::string sinkText(const std::optional<PulseAudioServer::SinkState>& state)
{
    if (!state) {
        return "unreadable";
    }
    std::string text = state->muted ? "muted" : "unmuted";
    text += ", volume";
    for (const double channel : state->channelVolumes) {
        text += " " + std::to_string(static_cast<int>(std::lround(channel * 100))) + " %";
    }
    return text;
}

std::string decibels(double fraction)
{
    if (fraction <= 0) {
        return "-inf dBFS";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f dBFS", 20 * std::log10(fraction));
    return buffer;
}

QString readText(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString{};
}

/// A display the user is looking at: DISPLAY names a local X server whose socket exists, or a remote one.
QString usersDisplay()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        return {};
    }
    if (display.startsWith(QLatin1Char(':'))) {
        const QString number = display.mid(1).section(QLatin1Char('.'), 0, 0);
        return QFile::exists(QStringLiteral("/tmp/.X11-unix/X") + number) ? display : QString{};
    }
    return display;
}

/// The demo's run: every part it starts, kept until the end so that a failure can print their logs.
class Demo
{
public:
    Demo(QString program, QString screenshotDirectory)
        : m_program(std::move(program)), m_screenshotDirectory(std::move(screenshotDirectory))
    {}

    int run()
    {
        const bool succeeded = start() && welcome() && lockAndLift() && unlock();
        report(succeeded);
        stopMonitorIfRunning();
        return succeeded ? 0 : 1;
    }

private:
    bool start()
    {
        std::cout
            << "Starting the emulated laptop: private PulseAudio (null sink muted at 20 %), mocked logind, "
               "emulated IIO accelerometer and an internal battery.\n";
        EmulatedLaptop::Options options;
        options.sensor = EmulatedLaptop::Sensor::iio;
        options.withBattery = true;
        if (!m_directory.isValid() || !m_laptop.start(options)) {
            return fail("the emulated laptop did not start: " + m_laptop.error());
        }
        m_laptop.logind().setCallerSession(QStringLiteral("c1"));
        m_laptop.logind().addSession(QStringLiteral("c1"));
        if (!m_sessionBus.start()) {
            return fail("the private session bus did not start");
        }
        if (!m_notifications.start()) {
            return fail("the notification service mock did not start");
        }
        if (!m_accessibility.start()) {
            return fail(m_accessibility.error().toStdString());
        }
        m_display = usersDisplay();
        if (m_display.isEmpty()) {
            m_virtualDisplay = std::make_unique<VirtualDisplay>();
            if (!m_virtualDisplay->start()) {
                return fail("Xvfb did not start");
            }
            m_display = m_virtualDisplay->name();
            std::cout << "No display: the application runs on Xvfb " << m_display.toStdString() << ".\n";
        } else {
            std::cout << "The application opens its windows on your display " << m_display.toStdString()
                      << ".\n";
        }
        if (!m_recorder.start()) {
            return fail("could not record the sink's monitor");
        }
        QDir{}.mkpath(m_screenshotDirectory);

        auto environment =
            applicationEnvironment(m_laptop, m_directory.path(), m_sessionBus.address(), m_display);
        if (!m_virtualDisplay) {
            environment.remove(QStringLiteral("QT_QUICK_BACKEND"));
        }
        AccessibilityBus::enableFor(environment);
        m_application = std::make_unique<ServiceProcess>(
            "hollerbox", QStringLiteral(HOLLERBOX_STAGE_DIR "/bin/hollerbox"), QStringList{}, environment);
        std::cout << "Starting " << HOLLERBOX_STAGE_DIR "/bin/hollerbox for the first time.\n";
        if (!m_application->start()) {
            return fail("the application did not start");
        }
        return true;
    }

    bool welcome()
    {
        step("First start: the welcome window checks the hardware.");
        if (!waitForShowing(QStringLiteral("frame"), QStringLiteral("Welcome to Hollerbox"), 20s)) {
            return fail("the welcome window did not open");
        }
        if (!waitForShowing(QStringLiteral("label"), QStringLiteral("Motion sensor is ready"), 15s)) {
            return fail("the motion sensor check did not end in \"Motion sensor is ready\"");
        }
        say("The welcome window shows \"Motion sensor is ready\".");
        if (!waitForShowing(
                QStringLiteral("label"),
                QStringLiteral("Now try lifting your Mac. You should hear your Mac start yelling."), 10s)) {
            return fail("the welcome window did not ask for a lift");
        }
        screenshot(QStringLiteral("Welcome to Hollerbox"), QStringLiteral("1-welcome-hardware-check.png"));

        say("The user's speakers are on at 50 %; lifting the laptop...");
        m_laptop.pulse().setSinkMute(false);
        m_laptop.pulse().setSinkVolumes({userVolume, userVolume});
        const auto liftedAt = std::chrono::steady_clock::now();
        m_laptop.tilt(true);
        const auto from = m_recorder.frameAt(liftedAt);
        const bool heard = waitProcessingEvents(
            [&] { return m_recorder.firstAudibleAt(from, audibleRms).has_value(); }, 10s, 20ms);
        processEventsFor(2s);
        m_laptop.tilt(false);
        m_testAlarmRms = m_recorder.rms(from, m_recorder.frameCount());
        if (!heard) {
            return fail("the lift did not sound the test alarm");
        }
        say("The test alarm sounded at the user's volume: RMS " + decibels(m_testAlarmRms) + ".");

        step("Completing the welcome.");
        if (!pressButton(QStringLiteral("Continue"))) {
            return false;
        }
        if (!pressButton(QStringLiteral("Continue Without Automatic Checks")) &&
            !pressButton(QStringLiteral("Don't Check"))) {
            return false;
        }
        const QString welcomeAboard =
            QStringLiteral("Welcome aboard! You can now close this window and Hollerbox "
                           "is ready to watch your Mac the next time you lock it.");
        if (!waitForShowing(QStringLiteral("label"), welcomeAboard, 5s)) {
            return fail("the welcome did not complete");
        }
        screenshot(QStringLiteral("Welcome to Hollerbox"), QStringLiteral("2-welcome-complete.png"));
        if (!waitProcessingEvents(
                [&] {
                    return !m_accessibility.find(QStringLiteral("frame"),
                                                 QStringLiteral("Welcome to Hollerbox"));
                },
                5s, 100ms)) {
            return fail("the welcome window did not close itself");
        }
        say("The welcome completed and its window closed itself.");
        return true;
    }

    bool lockAndLift()
    {
        step("Locking the session.");
        if (!m_accessibility.find(QStringLiteral("check box"), QStringLiteral("Protection"))) {
            return fail("the panel is not showing; without a tray it should be a window");
        }
        say("No tray on this session: the panel is an ordinary window.");
        screenshot(QStringLiteral("Hollerbox"), QStringLiteral("3-panel-unlocked.png"));
        m_laptop.pulse().setSinkVolumes({0.2, 0.2});
        m_laptop.pulse().setSinkMute(true);
        say("The user muted the output at 20 % before stepping away.");
        m_laptop.logind().setLockedHint(QStringLiteral("c1"), true);

        const QString pointer =
            path(QStringLiteral("home/.local/state/Logs/Hollerbox/background-monitor/latest-log-path.txt"));
        if (!waitProcessingEvents([&] { return !readText(pointer).isEmpty(); }, 10s, 50ms)) {
            return fail("the lock did not start the background monitor");
        }
        m_monitorLog = readText(pointer);
        if (!waitProcessingEvents(
                [&] {
                    return readText(applicationLog())
                        .contains(QStringLiteral("Background monitoring started."));
                },
                5s, 50ms)) {
            return fail("the application log does not record the hand-over");
        }
        say("The application handed over to the background monitor (its log: \"Background monitoring "
            "started.\").");
        if (!waitProcessingEvents(
                [&] { return readText(m_monitorLog).contains(QStringLiteral("state=armed")); }, 15s, 50ms)) {
            return fail("the background monitor did not arm");
        }
        say("The background monitor armed.");
        screenshot(QStringLiteral("Hollerbox"), QStringLiteral("4-panel-locked-armed.png"));

        step("Lifting the locked laptop.");
        m_laptop.tilt(true);
        if (!m_laptop.waitForSink(false, static_cast<double>(static_cast<float>(forcedVolume)), 10s)) {
            m_laptop.tilt(false);
            return fail("the alarm did not force the output");
        }
        m_alarmStartedAt = std::chrono::steady_clock::now();
        m_duringAlarm = m_laptop.pulse().sinkState();
        m_inhibitorsDuringAlarm = m_laptop.logind().listInhibitors();
        processEventsFor(1s);
        m_laptop.tilt(false);
        screenshot(QStringLiteral("Hollerbox"), QStringLiteral("5-panel-alarm.png"));
        processEventsFor(3s);
        const auto from = m_recorder.frameAt(m_alarmStartedAt);
        m_alarmRms = m_recorder.rms(from, m_recorder.frameCount());
        m_alarmPeak = m_recorder.peak(from, m_recorder.frameCount());
        if (m_alarmRms <= audibleRms) {
            return fail("the alarm was not heard on the sink");
        }
        say("The alarm sounds at the forced volume: RMS " + decibels(m_alarmRms) + ".");
        return true;
    }

    bool unlock()
    {
        step("Unlocking the session.");
        const auto monitor = processWithArgument(m_monitorLog);
        m_laptop.logind().setLockedHint(QStringLiteral("c1"), false);
        if (!m_laptop.waitForSink(true, 0.2, 10s)) {
            return fail("the unlock did not restore the user's mute and volume");
        }
        m_afterUnlock = m_laptop.pulse().sinkState();
        if (monitor && !waitUntilGone(*monitor, 10s)) {
            return fail("the unlock did not stop the background monitor");
        }
        say("The background monitor stopped and the output is muted at 20 % again.");
        if (!waitProcessingEvents([&] { return !m_notifications.notifyCalls().empty(); }, 5s, 50ms)) {
            return fail("the application did not tell the owner about the alarm");
        }
        m_notification = m_notifications.notifyCalls().front();
        say("The application told the owner: \"" + m_notification.value(3).toString().toStdString() + "\".");
        processEventsFor(1s);
        screenshot(QStringLiteral("Hollerbox"), QStringLiteral("6-panel-after-unlock.png"));
        return true;
    }

    void report(bool succeeded)
    {
        m_recorder.stop();
        if (m_application) {
            m_application->stop();
            std::cout << "\n=== The application's output ===\n" << m_application->logs();
        }
        std::cout << "\n=== The application's log (" << applicationLog().toStdString() << ") ===\n"
                  << readText(applicationLog()).toStdString() << '\n';
        if (!m_monitorLog.isEmpty()) {
            std::cout << "\n=== The background monitor's log (" << m_monitorLog.toStdString() << ") ===\n"
                      << readText(m_monitorLog).toStdString() << '\n';
        }
        std::cout << "\n=== Results ===\n";
        std::cout << "Test alarm on the sink:   RMS " << decibels(m_testAlarmRms) << " at the user's 50 %\n";
        std::cout << "Alarm on the sink:        RMS " << decibels(m_alarmRms) << ", peak "
                  << decibels(m_alarmPeak) << '\n';
        std::cout << "Sink during the alarm:    " << sinkText(m_duringAlarm) << '\n';
        std::cout << "Sink after the unlock:    " << sinkText(m_afterUnlock) << '\n';
        std::cout << "Inhibitors during alarm:\n";
        for (const auto& inhibitor : m_inhibitorsDuringAlarm) {
            std::cout << "  " << inhibitor.what.toStdString() << " (" << inhibitor.who.toStdString() << ", "
                      << inhibitor.why.toStdString() << ", " << inhibitor.mode.toStdString() << ")\n";
        }
        std::cout << "Inhibitors left:          " << m_laptop.logind().listInhibitors().size() << '\n';
        if (!m_notification.isEmpty()) {
            std::cout << "Notification sent:        Notify(\""
                      << m_notification.value(0).toString().toStdString() << "\", icon \""
                      << m_notification.value(2).toString().toStdString() << "\", \""
                      << m_notification.value(3).toString().toStdString() << "\", \""
                      << m_notification.value(4).toString().toStdString() << "\")\n";
        }
        std::cout << "Screenshots:\n";
        for (const QString& file : m_screenshots) {
            std::cout << "  " << file.toStdString() << '\n';
        }
        if (succeeded) {
            std::cout
                << "\nThe welcome test alarm sounded, the locked laptop yelled at the forced volume, and the "
                   "unlock gave the user's settings back.\n";
        } else {
            std::cout << "\n=== What the application showed at the failure ===\n";
            for (const auto& node : m_failureView) {
                std::cout << std::string(static_cast<std::size_t>(node.depth) * 2, ' ')
                          << node.role.toStdString() << " \"" << node.name.toStdString() << "\"\n";
            }
            std::cerr << "\ndemo: " << m_failure << '\n';
        }
    }

    bool pressButton(const QString& name)
    {
        std::optional<AccessibilityBus::Node> button;
        if (!waitProcessingEvents(
                [&] {
                    return (button = m_accessibility.find(QStringLiteral("push button"), name)).has_value();
                },
                5s, 100ms) ||
            !m_accessibility.press(*button)) {
            return fail("could not press \"" + name.toStdString() + "\"");
        }
        say("Pressed \"" + name.toStdString() + "\".");
        return true;
    }

    bool waitForShowing(const QString& role, const QString& name, std::chrono::milliseconds limit)
    {
        return waitProcessingEvents([&] { return m_accessibility.find(role, name).has_value(); }, limit,
                                    100ms);
    }

    void screenshot(const QString& window, const QString& name)
    {
        processEventsFor(300ms);
        const auto frame = m_accessibility.find(QStringLiteral("frame"), window);
        const auto area = frame ? m_accessibility.extents(*frame) : std::nullopt;
        const QString file = QDir{m_screenshotDirectory}.filePath(name);
        if (area && area->isValid() && saveScreenshot(m_program, m_display, *area, file)) {
            m_screenshots << file;
        } else {
            std::cout << "  (could not take the screenshot " << name.toStdString() << ")\n";
        }
    }

    void stopMonitorIfRunning()
    {
        if (const auto monitor = m_monitorLog.isEmpty() ? std::nullopt : processWithArgument(m_monitorLog)) {
            ::kill(*monitor, SIGKILL);
        }
    }

    QString applicationLog() const
    {
        return path(QStringLiteral("home/.local/state/Logs/Hollerbox/menubar-broadcaster.log"));
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }

    static void step(const std::string& text) { std::cout << '\n' << text << '\n' << std::flush; }
    static void say(const std::string& text) { std::cout << "  " << text << '\n' << std::flush; }

    bool fail(const std::string& message)
    {
        m_failure = message;
        m_failureView = m_accessibility.showingNodes();
        return false;
    }

    QString m_program;
    QString m_screenshotDirectory;
    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    PrivateDBusDaemon m_sessionBus{QStringLiteral("session"), m_directory.path()};
    NotificationDaemonMock m_notifications{m_sessionBus.address()};
    AccessibilityBus m_accessibility{m_sessionBus.address(), m_directory.path()};
    std::unique_ptr<VirtualDisplay> m_virtualDisplay;
    QString m_display;
    MonitorRecorder m_recorder{m_laptop.pulse().serverAddress(), PulseAudioServer::sinkName};
    std::unique_ptr<ServiceProcess> m_application;
    QString m_monitorLog;
    QStringList m_screenshots;
    QVariantList m_notification;
    std::chrono::steady_clock::time_point m_alarmStartedAt;
    std::optional<PulseAudioServer::SinkState> m_duringAlarm;
    std::optional<PulseAudioServer::SinkState> m_afterUnlock;
    std::vector<LogindMock::Inhibitor> m_inhibitorsDuringAlarm;
    double m_testAlarmRms = 0;
    double m_alarmRms = 0;
    double m_alarmPeak = 0;
    std::string m_failure;
    std::vector<AccessibilityBus::Node> m_failureView;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], hollerbox::demo::grabOption) == 0) {
        return hollerbox::demo::runScreenGrab(argc, argv);
    }
    ensureCoreApplication();
    const QString program = QFileInfo{QString::fromLocal8Bit(argv[0])}.absoluteFilePath();
    const QString screenshots = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                         : QDir::current().filePath(QStringLiteral("demo-screenshots"));
    return Demo{program, QFileInfo{screenshots}.absoluteFilePath()}.run();
}
