#include "ApplicationOnLaptopFixture.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

/// The application's poll interval: one tick.
constexpr auto kTick = 250ms;
const QByteArray kGarbage = QByteArray::fromHex("7f454c4602010100000000000000000003003e0001000000") +
                            QByteArray{"\xff\xfe[Hollerbox\x00\x01\x02", 15};

class AppFaultsTest : public ApplicationOnLaptopFixture
{
protected:
    void TearDown() override
    {
        ApplicationOnLaptopFixture::TearDown();
        if (!m_mountPoint.isEmpty()) {
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        }
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

    QString m_mountPoint;
};

TEST_F(AppFaultsTest, AMonitorKilledWhileLockedIsReplacedWithinOneTick)
{
    startApplication();
    setLocked(true);
    ASSERT_TRUE(waitForMonitor());
    processEventsFor(2 * kTick);
    const pid_t killed = *m_launcher->monitorProcessId();

    ASSERT_EQ(::kill(killed, SIGKILL), 0);
    const auto killedAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitProcessingEvents(
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
    setLocked(true);
    EXPECT_TRUE(waitForMonitor()) << "protection works";
    setLocked(false);
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
    setLocked(true);
    ASSERT_TRUE(waitForMonitor()) << "the monitor started";
    EXPECT_TRUE(moveUntilHeard(20)) << "the alarm forced the output";

    const pid_t monitor = *m_launcher->monitorProcessId();
    setLocked(false);
    EXPECT_TRUE(m_laptop.waitForSink(true, initialVolume, 5s))
        << "the unlock restored the user's mute and volume";
    EXPECT_TRUE(waitUntilGone(monitor, 5s)) << "and stopped the monitor";
    EXPECT_EQ(read(applicationLogPath()), earlierLog) << "the earlier log is intact";
}

INSTANTIATE_TEST_SUITE_P(Faults, AppLogFaultsTest, ::testing::Values(LogFault::readOnly, LogFault::full),
                         [](const auto& info) {
                             return std::string{info.param == LogFault::readOnly ? "readOnly" : "full"};
                         });

} // namespace
} // namespace hollerbox::testing
