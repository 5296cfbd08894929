#include "BackgroundMonitorLogger.h"

#include "engine/HollerboxDiagnostics.h"
#include "linux/support/FileDescriptor.h"
#include "linux/support/WriteAll.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace hollerbox {

namespace {

std::string_view flag(bool value)
{
    return value ? "true" : "false";
}

} // namespace

BackgroundMonitorLogger::BackgroundMonitorLogger(std::string logFilePath, std::FILE* standardOutput)
    : m_logFilePath(std::move(logFilePath)),
      m_standardOutput(standardOutput != nullptr ? ::fileno(standardOutput) : -1)
{
    const std::filesystem::path path{m_logFilePath};
    std::error_code ignored;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    // Creates the file only when it is missing; an existing log is appended to, never truncated.
    FileDescriptor file{
        ::open(m_logFilePath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644)};
}

void BackgroundMonitorLogger::write(std::string_view message)
{
    std::string line{message};
    line += '\n';
    // Opening without O_CREAT: a log removed while running is not recreated. Non-blocking, so that a log
    // path naming a pipe nobody reads cannot stall the monitor.
    if (FileDescriptor file{
            ::open(m_logFilePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
        file.isValid()) {
        writeAll(file.get(), line);
    }
    m_standardOutput.writeLine(message);
}

std::string BackgroundMonitorLogger::snapshotLine(const OpenLidAlarmSnapshot& snapshot)
{
    std::string line = HollerboxDiagnostics::formatTimestamp(snapshot.lastUpdatedAt);
    line += " state=";
    line += rawValue(snapshot.state);
    line += " locked=";
    line += flag(snapshot.isScreenLocked);
    line += " lidClosed=";
    line += flag(snapshot.isLidClosed);
    line += " status=\"" + snapshot.statusText + "\"";
    line += " detail=\"" + snapshot.detailText + "\"";
    return line;
}

void BackgroundMonitorLogger::alarmControllerDidUpdate(OpenLidAlarmController&,
                                                       const OpenLidAlarmSnapshot& snapshot)
{
    std::string signature{rawValue(snapshot.state)};
    signature += '|';
    signature += flag(snapshot.isScreenLocked);
    signature += '|';
    signature += flag(snapshot.isLidClosed);
    signature += '|' + snapshot.statusText + '|' + snapshot.detailText;
    if (signature == m_lastLineSignature) {
        return;
    }
    m_lastLineSignature = std::move(signature);
    write(snapshotLine(snapshot));
}

} // namespace hollerbox
