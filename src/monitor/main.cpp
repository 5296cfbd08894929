#include "BackgroundMonitorOptionParser.h"
#include "BackgroundMonitorRuntime.h"
#include "LogLocations.h"
#include "engine/HollerboxDiagnostics.h"
#include "linux/base/SystemLogJournal.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char* argv[])
{
    using namespace hollerbox;

    // A launcher that closes our standard output must not end the process in the middle of an alarm.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application{argc, argv};
    HollerboxDiagnostics::setSystemLog(std::make_shared<SystemLogJournal>(
        "HollerboxBackgroundMonitor", std::string{HollerboxDiagnostics::subsystem}));

    // The one runtime of this process, kept for the life of the process.
    std::unique_ptr<BackgroundMonitorRuntime> runtime;
    QTimer::singleShot(0, &application, [&runtime, argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        const auto options =
            BackgroundMonitorOptionParser::parse(arguments, &LogLocations::defaultLogFilePath);
        runtime = std::make_unique<BackgroundMonitorRuntime>(
            options, [](int status) { QCoreApplication::exit(status); });
    });
    const int status = QCoreApplication::exec();
    // The stop work (output restored, sensor and lease given back) is done by now. Work that cannot be cut
    // short, such as a synthesised tone, a sound server that hangs or a standard output nobody reads, must
    // not hold the exit up: the process ends here, as the launcher expects, without waiting for it. The log
    // never goes through stdio's buffers, so there is nothing to flush.
    std::_Exit(status);
}
