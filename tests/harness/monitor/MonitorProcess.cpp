#include "MonitorProcess.h"

#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

namespace hollerbox::testing {

QString MonitorProcess::programPath()
{
    // An installed or unpacked monitor can stand in for the staged one.
    const QString underTest = qEnvironmentVariable("HOLLERBOX_MONITOR_UNDER_TEST");
    return underTest.isEmpty()
               ? QStringLiteral(HOLLERBOX_STAGE_DIR "/libexec/hollerbox/HollerboxBackgroundMonitor")
               : underTest;
}

MonitorProcess::MonitorProcess(QStringList arguments, QProcessEnvironment environment, const QString& program)
{
    m_process.setProgram(program);
    m_process.setArguments(std::move(arguments));
    m_process.setProcessEnvironment(std::move(environment));
}

MonitorProcess::~MonitorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    readAvailable();
    if (::testing::Test::HasFailure()) {
        std::cerr << "----- monitor standard output -----\n";
        for (const auto& line : m_lines) {
            std::cerr << line.text << '\n';
        }
        std::cerr << m_partial << "----- monitor standard error -----\n" << standardError() << "-----\n";
    }
}

void MonitorProcess::redirectStandardOutput(int fd)
{
    m_process.setChildProcessModifier([fd] { ::dup2(fd, STDOUT_FILENO); });
}

bool MonitorProcess::start()
{
    m_startedAt = std::chrono::steady_clock::now();
    m_process.start();
    return m_process.waitForStarted(5000);
}

void MonitorProcess::readAvailable()
{
    const auto now = std::chrono::steady_clock::now();
    m_partial += m_process.readAllStandardOutput().toStdString();
    std::size_t newline = 0;
    while ((newline = m_partial.find('\n')) != std::string::npos) {
        m_lines.push_back({m_partial.substr(0, newline), now});
        m_partial.erase(0, newline + 1);
    }
    m_standardError += m_process.readAllStandardError().toStdString();
}

std::optional<std::size_t> MonitorProcess::waitForLine(const std::string& fragment,
                                                       std::chrono::milliseconds limit, std::size_t from)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t checked = from;
    for (;;) {
        readAvailable();
        for (; checked < m_lines.size(); ++checked) {
            if (m_lines[checked].text.find(fragment) != std::string::npos) {
                return checked;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline || m_process.state() == QProcess::NotRunning) {
            return std::nullopt;
        }
        m_process.waitForReadyRead(10);
    }
}

void MonitorProcess::collectFor(std::chrono::milliseconds duration)
{
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(10);
        readAvailable();
    }
    readAvailable();
}

MonitorProcess::TimePoint MonitorProcess::terminate()
{
    readAvailable();
    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    return std::chrono::steady_clock::now();
}

bool MonitorProcess::waitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_process.state() != QProcess::NotRunning && std::chrono::steady_clock::now() < deadline) {
        m_process.waitForFinished(5);
        readAvailable();
    }
    readAvailable();
    if (m_process.state() != QProcess::NotRunning) {
        return false;
    }
    m_exitedAt = std::chrono::steady_clock::now();
    return true;
}

bool MonitorProcess::exitedNormallyWithZero() const
{
    return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

std::vector<std::string> MonitorProcess::texts() const
{
    std::vector<std::string> result;
    for (const auto& line : m_lines) {
        result.push_back(line.text);
    }
    return result;
}

std::string MonitorProcess::standardError()
{
    m_standardError += m_process.readAllStandardError().toStdString();
    return m_standardError;
}

} // namespace hollerbox::testing
