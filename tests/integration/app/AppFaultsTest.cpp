#include "EmulatedLaptop.h"
#include "EventLoopWait.h"
#include "LaunchedMonitors.h"
#include "QtTestApplication.h"
#include "model/ApplicationServices.h"
#include "model/launch/BackgroundMonitorLauncher.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/mount.h>
#include <unistd.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The application's poll interval: one tick.
constexpr auto kTick = 250ms;
const QString kSession = QStringLiteral("c1");
const QByteArray kGarbage = QByteArray::fromHex("7f454c4602010100000000000000000003003e0001000000") +
                            QByteArray{"\xff\xfe[Hollerbox\x00\x01\x02", 15};

QByteArray read(const QString& file)
{
    QFile handle{file};
    return handle.open(QIODevice::ReadOnly) ? handle.readAll() : QByteArray{};
}

bool write(const QString& file, const QByteArray& content)
{
    QDir{}.mkpath(QFileInfo{file}.path());
    QFile handle{file};
    return handle.open(QIODevice::WriteOnly | QIODevice::Truncate) && handle.write(content) == content.size();
}

/// Runs the event loop until `condition` holds; false after `limit`.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// The application's model on real services and the real monitor on an emulated laptop whose sink starts
/// muted at 20 %, with its files in a directory of the test's own.
class AppFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(m_laptop.start({})) << m_laptop.error();
        m_laptop.logind().setCallerSession(kSession);
        m_laptop.logind().addSession(kSession);
        const auto environment = m_laptop.monitorEnvironment(path(QStringLiteral("home")));
        for (const QString& key : environment.keys()) {
            qputenv(key.toUtf8(), environment.value(key).toUtf8());
        }
        qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        qunsetenv("XDG_SESSION_ID");
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr
                << "--- application log\n"
                << read(applicationLogPath()).toStdString() << "--- monitor log\n"
                << read(QString::fromUtf8(read(monitorLogDirectory() + "/latest-log-path.txt"))).toStdString()
                << "--- PulseAudio\n"
                << m_laptop.pulse().logs() << '\n';
        }
        const auto left = m_launcher != nullptr ? m_launcher->monitorProcessId() : std::nullopt;
        quitApplication();
        if (left) {
            ::kill(*left, SIGKILL);
        }
        if (!m_mountPoint.isEmpty()) {
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        }
    }

    void startApplication()
    {
        m_services = std::make_unique<ApplicationServices>();
        auto services = m_services->modelServices();
        auto launcher = std::make_unique<BackgroundMonitorLauncher>(BackgroundMonitorLauncher::Options{
            QStringLiteral(HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor"),
            monitorLogDirectory()});
        m_launcher = launcher.get();
        services.backgroundMonitorLauncher = std::move(launcher);
        services.settingsFilePath = settingsPath();
        services.importedAlarmsDirectory = path(QStringLiteral("data/Hollerbox/ImportedAlarms"));
        services.applicationLogPath = applicationLogPath();
        services.platformCheckProvider = [] {
            return HardwareCheckItemState{"MacBook hardware required", HardwareCheckStatus::warning};
        };
        m_model = std::make_unique<HollerboxModel>(std::move(services));
    }

    void quitApplication()
    {
        m_model.reset();
        m_services.reset();
        m_launcher = nullptr;
    }

    /// Mounts a small tmpfs on the log directory; false when this process may not mount.
    bool mountLogDirectory()
    {
        m_mountPoint = path(QStringLiteral("logs"));
        QDir{}.mkpath(m_mountPoint);
        if (::mount("tmpfs", QFile::encodeName(m_mountPoint).constData(), "tmpfs", 0, "size=64k") != 0) {
            m_mountPoint.clear();
            return false;
        }
        // One whole page, so that on a full file system no byte more fits.
        const QByteArray earlierLog =
            QByteArray{"2026-01-01T00:00:00Z [bg-launcher] An earlier line."}.leftJustified(4095, ' ') + '\n';
        return QDir{}.mkpath(monitorLogDirectory()) && write(applicationLogPath(), earlierLog);
    }

    QString path(const QString& name) const { return m_directory.filePath(name); }
    QString applicationLogPath() const { return path(QStringLiteral("logs/menubar-broadcaster.log")); }
    QString monitorLogDirectory() const { return path(QStringLiteral("logs/background-monitor")); }
    QString settingsPath() const { return path(QStringLiteral("config/Hollerbox/Hollerbox.conf")); }

    QTemporaryDir m_directory;
    EmulatedLaptop m_laptop;
    QString m_mountPoint;
    std::unique_ptr<ApplicationServices> m_services;
    BackgroundMonitorLauncher* m_launcher = nullptr;
    std::unique_ptr<HollerboxModel> m_model;
};

TEST_F(AppFaultsTest, AMonitorKilledWhileLockedIsReplacedWithinOneTick)
{
    startApplication();
    m_laptop.logind().setLockedHint(kSession, true);
    ASSERT_TRUE(waitUntil([&] { return m_launcher->isMonitorRunning(); }, 3s));
    processEventsFor(2 * kTick);
    const pid_t killed = *m_launcher->monitorProcessId();

    ASSERT_EQ(::kill(killed, SIGKILL), 0);
    const auto killedAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitUntil(
        [&] { return m_launcher->isMonitorRunning() && m_launcher->monitorProcessId() != killed; }, 2s));
    const auto replacedAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - killedAt);
    std::cout << "a new monitor ran " << replacedAfter.count() << " ms after the SIGKILL\n";
    EXPECT_LE(replacedAfter, kTick + 100ms);
}

struct SettingsCase
{
    const char* name;
    QByteArray content;
    bool writable;
    double armDelayAtStart;
    /// Whether the file is moved aside and then holds the new value.
    bool replaced;
};

void PrintTo(const SettingsCase& settingsCase, std::ostream* stream)
{
    *stream << settingsCase.name;
}

class AppSettingsFaultsTest : public AppFaultsTest, public ::testing::WithParamInterface<SettingsCase>
{};

TEST_P(AppSettingsFaultsTest, StartsWithWhatCanBeReadAndLosesNothingThatCanBeKept)
{
    const auto& param = GetParam();
    ASSERT_TRUE(write(settingsPath(), param.content));
    if (!param.writable) {
        ASSERT_TRUE(QFile::setPermissions(settingsPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    }
    startApplication();
    EXPECT_EQ(m_model->armDelaySeconds(), param.armDelayAtStart);
    EXPECT_EQ(m_model->alarmVolumeScalar(), static_cast<double>(0.65F));
    m_model->setArmDelaySeconds(7);
    EXPECT_EQ(m_model->armDelaySeconds(), 7) << "the change holds while the application runs";
    m_laptop.logind().setLockedHint(kSession, true);
    EXPECT_TRUE(waitUntil([&] { return m_launcher->isMonitorRunning(); }, 3s)) << "protection works";
    m_laptop.logind().setLockedHint(kSession, false);
    quitApplication();

    const QString aside = settingsPath() + QStringLiteral(".corrupt");
    if (param.replaced) {
        EXPECT_EQ(read(aside), param.content) << "the unreadable file was kept";
        EXPECT_EQ(SettingsStore{settingsPath()}.readDouble(SettingsKeys::armDelaySeconds), 7);
    } else {
        EXPECT_FALSE(QFile::exists(aside));
        EXPECT_EQ(read(settingsPath()), param.content) << "the read-only file was left as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, AppSettingsFaultsTest,
                         ::testing::Values(SettingsCase{"garbage", kGarbage, true, 2.0, true},
                                           SettingsCase{"readOnly",
                                                        "[General]\nHollerboxApp.armDelaySeconds=5\n", false,
                                                        5.0, false},
                                           SettingsCase{"readOnlyGarbage", kGarbage, false, 2.0, false}),
                         [](const auto& info) { return std::string{info.param.name}; });

enum class LogFault
{
    readOnly,
    full
};

void PrintTo(LogFault fault, std::ostream* stream)
{
    *stream << (fault == LogFault::readOnly ? "read-only" : "full");
}

class AppLogFaultsTest : public AppFaultsTest, public ::testing::WithParamInterface<LogFault>
{};

TEST_P(AppLogFaultsTest, ProtectionGoesOn)
{
    if (!mountLogDirectory()) {
        GTEST_SKIP() << "a tmpfs for the log directory needs a process that may mount";
    }
    const QByteArray earlierLog = read(applicationLogPath());
    const auto mountPoint = QFile::encodeName(m_mountPoint);
    if (GetParam() == LogFault::readOnly) {
        ASSERT_EQ(::mount(nullptr, mountPoint.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    } else {
        QFile filler{m_mountPoint + QStringLiteral("/filler")};
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const int probe = ::open(QFile::encodeName(applicationLogPath()).constData(), O_WRONLY | O_APPEND);
    const bool failed = probe < 0 || ::write(probe, "x", 1) < 0;
    const int error = errno;
    if (probe >= 0) {
        ::close(probe);
    }
    ASSERT_TRUE(failed) << "the fault is in place";
    EXPECT_EQ(error, GetParam() == LogFault::readOnly ? EROFS : ENOSPC);

    startApplication();
    m_laptop.logind().setLockedHint(kSession, true);
    ASSERT_TRUE(waitUntil([&] { return m_launcher->isMonitorRunning(); }, 3s)) << "the monitor started";
    // The monitor's log cannot say when it armed: the laptop is moved until the alarm is heard.
    bool heard = false;
    for (int move = 0; move < 20 && !heard; ++move) {
        m_laptop.tilt(move % 2 == 0);
        heard = m_laptop.waitForSink(false, static_cast<double>(0.65F), 500ms);
    }
    m_laptop.tilt(false);
    EXPECT_TRUE(heard) << "the alarm forced the output";

    const pid_t monitor = *m_launcher->monitorProcessId();
    m_laptop.logind().setLockedHint(kSession, false);
    EXPECT_TRUE(m_laptop.waitForSink(true, 0.2, 5s)) << "the unlock restored the user's mute and volume";
    EXPECT_TRUE(waitUntilGone(monitor, 5s)) << "and stopped the monitor";
    EXPECT_EQ(read(applicationLogPath()), earlierLog) << "the earlier log is intact";
}

INSTANTIATE_TEST_SUITE_P(Faults, AppLogFaultsTest, ::testing::Values(LogFault::readOnly, LogFault::full),
                         [](const auto& info) {
                             return std::string{info.param == LogFault::readOnly ? "readOnly" : "full"};
                         });

} // namespace
} // namespace hollerbox::testing
