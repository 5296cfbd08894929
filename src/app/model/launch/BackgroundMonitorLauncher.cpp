#include "BackgroundMonitorLauncher.h"

#include "BackgroundMonitorLaunchRequest.h"
#include "linux/audio/ResourceDirectoriesLinux.h"
#include "linux/support/FileDescriptor.h"
#include "model/AppLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hollerbox {

namespace {

using FileStatus = struct stat;

constexpr const char* kUnavailableMessage = "Background monitoring is unavailable in this build.";
constexpr const char* kStartedMessage = "Background monitoring started.";
constexpr const char* kCouldNotStartMessage = "Background monitoring could not start.";
constexpr const char* kStoppingPrefix = "Stopping background monitor: ";
constexpr int kMaximumLogFileSuffix = 100;
/// A monitor that ends sooner than this after its launch did not get to guard anything.
constexpr std::chrono::seconds kQuickExit{3};
constexpr std::chrono::seconds kFirstRetryDelay{2};
constexpr std::chrono::seconds kLongestRetryDelay{60};

/// The whole content of a file under /proc, which reports no size; empty when it cannot be read.
QByteArray readProcFile(const QString& path)
{
    QByteArray content;
    const FileDescriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)};
    if (!file.isValid()) {
        return content;
    }
    char buffer[4096];
    for (;;) {
        const auto count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return content;
        }
        content.append(buffer, count);
    }
}

/// The directory itself with symbolic links resolved when it exists, else its cleaned absolute path.
QString comparableDirectory(const QString& directory)
{
    const QFileInfo info{directory};
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

/// What identifies our executable on disk.
struct ExecutableIdentity
{
    std::optional<std::pair<dev_t, ino_t>> file;
    QString path;

    static ExecutableIdentity of(const QString& executablePath)
    {
        ExecutableIdentity identity;
        FileStatus status{};
        if (::stat(QFile::encodeName(executablePath).constData(), &status) == 0) {
            identity.file = std::pair{status.st_dev, status.st_ino};
        }
        const QString canonical = QFileInfo{executablePath}.canonicalFilePath();
        identity.path =
            canonical.isEmpty() ? QDir::cleanPath(QFileInfo{executablePath}.absoluteFilePath()) : canonical;
        return identity;
    }

    /// Whether process `processDirectory` (/proc/<pid>) runs this executable, or the file it replaced.
    bool runs(const QString& processDirectory) const
    {
        const QString link = processDirectory + QStringLiteral("/exe");
        FileStatus status{};
        if (file && ::stat(QFile::encodeName(link).constData(), &status) == 0 &&
            std::pair{status.st_dev, status.st_ino} == *file) {
            return true;
        }
        char target[4096];
        const auto length = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
        return length > 0 && QFile::decodeName(QByteArray{target, static_cast<qsizetype>(length)}) ==
                                 path + QStringLiteral(" (deleted)");
    }
};

/// A process that looks like a monitor of ours, with the time it started (in clock ticks after boot).
struct Candidate
{
    pid_t processId = -1;
    unsigned long long startTime = 0;
};

/// The start time of a live (not zombie) process from its /proc/<pid>/stat; none for a zombie or on error.
std::optional<unsigned long long> startTimeOf(const QString& processDirectory)
{
    const QByteArray stat = readProcFile(processDirectory + QStringLiteral("/stat"));
    const auto commandEnd = stat.lastIndexOf(')');
    if (commandEnd < 0) {
        return std::nullopt;
    }
    // Fields after the command: state (3), then up to the start time (22).
    const auto fields = stat.mid(commandEnd + 2).split(' ');
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X") {
        return std::nullopt;
    }
    bool valid = false;
    const auto startTime = fields[19].toULongLong(&valid);
    return valid ? std::optional{startTime} : std::nullopt;
}

/// The value of the first "--log-file" argument in /proc/<pid>/cmdline, as the monitor reads it.
std::optional<QString> logFileArgumentOf(const QString& processDirectory)
{
    const auto arguments = readProcFile(processDirectory + QStringLiteral("/cmdline")).split('\0');
    // The last element follows the terminating NUL and is no argument.
    const auto end = arguments.isEmpty() ? arguments.end() : std::prev(arguments.end());
    const auto found = std::find(arguments.begin(), end, QByteArrayLiteral("--log-file"));
    if (found == end || std::next(found) == end) {
        return std::nullopt;
    }
    return QFile::decodeName(*std::next(found));
}

} // namespace

QString BackgroundMonitorLauncher::defaultExecutablePath()
{
    const QFileInfo self{QString::fromStdString(ResourceDirectoriesLinux::runningExecutablePath())};
    return QDir::cleanPath(self.absolutePath() +
                           QStringLiteral("/../libexec/hollerbox/HollerboxBackgroundMonitor"));
}

QString BackgroundMonitorLauncher::defaultLogDirectory()
{
    return AppLocations::logRoot() + QStringLiteral("/background-monitor");
}

QString BackgroundMonitorLauncher::logFileName(const QDateTime& localTime)
{
    return QStringLiteral("open-lid-bg-") +
           QLocale::c().toString(localTime, QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".log");
}

BackgroundMonitorLauncher::BackgroundMonitorLauncher() : BackgroundMonitorLauncher(Options{}) {}

BackgroundMonitorLauncher::BackgroundMonitorLauncher(Options options) : m_options(std::move(options)) {}

BackgroundMonitorLauncher::~BackgroundMonitorLauncher() = default;

void BackgroundMonitorLauncher::setDiagnosticHandler(DiagnosticHandler handler)
{
    m_diagnosticHandler = std::move(handler);
}

QString BackgroundMonitorLauncher::latestLogPointerPath() const
{
    return m_options.logDirectory + QStringLiteral("/latest-log-path.txt");
}

bool BackgroundMonitorLauncher::isMonitorRunning() const
{
    return m_process && m_process->handle.isRunning();
}

std::optional<pid_t> BackgroundMonitorLauncher::monitorProcessId() const
{
    return m_process ? std::optional{m_process->handle.processId()} : std::nullopt;
}

bool BackgroundMonitorLauncher::start(double armDelaySeconds, double movementThresholdG,
                                      double alarmVolumeScalar, double alarmRepeatSeconds,
                                      const AlarmSoundSelection& alarmSoundSelection)
{
    if (isMonitorRunning()) {
        return true;
    }
    if (!mayLaunchAfterEndedMonitor()) {
        return false;
    }
    if (!QFileInfo::exists(m_options.executablePath)) {
        report(kUnavailableMessage);
        return false;
    }
    QDir{}.mkpath(m_options.logDirectory);
    const BackgroundMonitorLaunchRequest request{armDelaySeconds,     movementThresholdG,
                                                 alarmVolumeScalar,   alarmRepeatSeconds,
                                                 alarmSoundSelection, reserveLogFilePath()};
    auto handle = ProcessHandle::spawnDetached(m_options.executablePath, request.arguments());
    if (!handle) {
        QFile::remove(request.logFilePath);
        report(kCouldNotStartMessage);
        return false;
    }
    hold(std::move(*handle));
    m_launchedAt = std::chrono::steady_clock::now();

    QSaveFile pointer{latestLogPointerPath()};
    if (pointer.open(QIODevice::WriteOnly)) {
        pointer.write(request.logFilePath.toUtf8());
        pointer.commit();
    }
    report(kStartedMessage);
    return true;
}

void BackgroundMonitorLauncher::stop(const std::string& reason)
{
    std::erase_if(m_stopping, [](const auto& process) {
        process->handle.reapIfEnded();
        return !process->handle.isRunning();
    });
    m_quickExits = 0;
    m_retryNotBefore = {};
    if (!m_process) {
        return;
    }
    report(kStoppingPrefix + reason);
    if (m_process->handle.isRunning() && m_process->handle.sendSignal(SIGTERM)) {
        m_stopping.push_back(std::move(m_process));
    } else {
        m_process->handle.reapIfEnded();
    }
    m_process.reset();
}

bool BackgroundMonitorLauncher::adoptRunningMonitor()
{
    if (isMonitorRunning()) {
        return true;
    }
    const auto executable = ExecutableIdentity::of(m_options.executablePath);
    const QString logDirectory = comparableDirectory(m_options.logDirectory);
    const uid_t user = ::geteuid();
    const pid_t self = ::getpid();
    const auto inspect = [&](pid_t processId) -> std::optional<Candidate> {
        const QString directory = QStringLiteral("/proc/") + QString::number(processId);
        FileStatus status{};
        if (processId == self || ::stat(QFile::encodeName(directory).constData(), &status) != 0 ||
            status.st_uid != user || !executable.runs(directory)) {
            return std::nullopt;
        }
        const auto logFile = logFileArgumentOf(directory);
        if (!logFile || comparableDirectory(QFileInfo{*logFile}.absolutePath()) != logDirectory) {
            return std::nullopt;
        }
        const auto startTime = startTimeOf(directory);
        return startTime ? std::optional{Candidate{processId, *startTime}} : std::nullopt;
    };

    std::vector<Candidate> candidates;
    const auto entries = QDir{QStringLiteral("/proc")}.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const auto& entry : entries) {
        bool numeric = false;
        const auto processId = static_cast<pid_t>(entry.toInt(&numeric));
        if (numeric) {
            if (auto candidate = inspect(processId)) {
                candidates.push_back(*candidate);
            }
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& left, const Candidate& right) {
        return std::pair{left.startTime, left.processId} > std::pair{right.startTime, right.processId};
    });
    for (const auto& candidate : candidates) {
        auto handle = ProcessHandle::open(candidate.processId);
        if (!handle) {
            continue;
        }
        // The pidfd may have been opened on a process that took over the ID since the scan: look again,
        // and trust what was seen only while the pidfd's process is still alive.
        const auto again = inspect(candidate.processId);
        if (!again || again->startTime != candidate.startTime || !handle->isRunning()) {
            continue;
        }
        if (!m_process) {
            hold(std::move(*handle));
            report("Adopted the background monitor already running (process " +
                   std::to_string(candidate.processId) + ").");
        } else if (handle->sendSignal(SIGTERM)) {
            report("Stopped another background monitor left running (process " +
                   std::to_string(candidate.processId) + ").");
            keepUntilEnded(std::move(*handle));
        }
    }
    return m_process != nullptr;
}

bool BackgroundMonitorLauncher::mayLaunchAfterEndedMonitor()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_process && !m_endNoticed) {
        m_endNoticed = true;
        m_quickExits = now - m_launchedAt < kQuickExit ? m_quickExits + 1 : 0;
        if (m_quickExits >= 2) {
            const auto delay = std::min<std::chrono::seconds>(
                kFirstRetryDelay * (1 << std::min(m_quickExits - 2, 5)), kLongestRetryDelay);
            m_retryNotBefore = now + delay;
            report(kCouldNotStartMessage);
        }
    }
    return now >= m_retryNotBefore;
}

void BackgroundMonitorLauncher::keepUntilEnded(ProcessHandle handle)
{
    std::erase_if(m_stopping, [](const auto& process) {
        process->handle.reapIfEnded();
        return !process->handle.isRunning();
    });
    m_stopping.push_back(std::make_unique<WatchedProcess>(WatchedProcess{std::move(handle), nullptr}));
}

void BackgroundMonitorLauncher::hold(ProcessHandle handle)
{
    m_endNoticed = false;
    m_launchedAt = {};
    if (m_process) {
        m_process->handle.reapIfEnded();
    }
    auto process = std::make_unique<WatchedProcess>(WatchedProcess{std::move(handle), nullptr});
    process->notifier =
        std::make_unique<QSocketNotifier>(process->handle.descriptor(), QSocketNotifier::Read);
    QObject::connect(process->notifier.get(), &QSocketNotifier::activated, process->notifier.get(),
                     [raw = process.get()] {
                         // A pidfd stays readable once its process has ended.
                         raw->notifier->setEnabled(false);
                         raw->handle.reapIfEnded();
                     });
    m_process = std::move(process);
}

QString BackgroundMonitorLauncher::reserveLogFilePath() const
{
    const QString stem = m_options.logDirectory + QLatin1Char('/') +
                         logFileName(QDateTime::currentDateTime()).chopped(int{sizeof ".log"} - 1);
    for (int suffix = 1; suffix <= kMaximumLogFileSuffix; ++suffix) {
        const QString path = stem + (suffix == 1 ? QString{} : QLatin1Char('-') + QString::number(suffix)) +
                             QStringLiteral(".log");
        const FileDescriptor created{
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
        if (created.isValid() || errno != EEXIST) {
            return path;
        }
    }
    return stem + QStringLiteral(".log");
}

void BackgroundMonitorLauncher::report(const std::string& message) const
{
    if (m_diagnosticHandler) {
        m_diagnosticHandler(message);
    }
}

} // namespace hollerbox
