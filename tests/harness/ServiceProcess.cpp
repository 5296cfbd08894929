#include "ServiceProcess.h"

#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {

ServiceProcess::ServiceProcess(std::string name, QString program, QStringList arguments,
                               QProcessEnvironment environment)
    : m_name(std::move(name))
{
    m_process.setProgram(std::move(program));
    m_process.setArguments(std::move(arguments));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

ServiceProcess::~ServiceProcess()
{
    stop();
    if (::testing::Test::HasFailure()) {
        std::cerr << "----- output of " << m_name << " -----\n"
                  << logs() << "----- end of " << m_name << " -----\n";
    }
}

bool ServiceProcess::start(std::chrono::milliseconds limit)
{
    m_process.start();
    if (!m_process.waitForStarted(static_cast<int>(limit.count()))) {
        m_output += "failed to start: " + m_process.errorString().toStdString() + "\n";
        return false;
    }
    return true;
}

void ServiceProcess::stop(std::chrono::milliseconds limit)
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(static_cast<int>(limit.count()))) {
        m_process.kill();
        m_process.waitForFinished(static_cast<int>(limit.count()));
    }
    logs();
}

bool ServiceProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

qint64 ServiceProcess::processId() const
{
    return m_process.processId();
}

std::string ServiceProcess::logs()
{
    m_output += m_process.readAll().toStdString();
    return m_output;
}

} // namespace hollerbox::testing
