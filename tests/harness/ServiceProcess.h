#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <chrono>
#include <string>

namespace hollerbox::testing {

/// A service a test starts as its own child (a bus, a sound server, a mock). Its output is kept; when the
/// test has failed, destruction prints it. Destruction terminates the child, then kills it after a bound.
class ServiceProcess
{
public:
    ServiceProcess(std::string name, QString program, QStringList arguments,
                   QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());
    ~ServiceProcess();

    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    /// Starts the child; false (with the reason in `logs()`) when it could not be started in time.
    bool start(std::chrono::milliseconds limit = std::chrono::seconds{5});
    /// Sends SIGTERM and waits up to `limit`, then SIGKILL. Safe to call twice.
    void stop(std::chrono::milliseconds limit = std::chrono::seconds{3});
    bool isRunning() const;
    qint64 processId() const;
    /// Everything the child wrote to standard output and error so far.
    std::string logs();
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
    QProcess m_process;
    std::string m_output;
};

} // namespace hollerbox::testing
