#include "BackgroundMonitorOptionParser.h"
#include "BackgroundMonitorRuntime.h"
#include "LogLocations.h"
#include "engine/HollerboxDiagnostics.h"
#include "linux/base/SystemLogJournal.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

int main(int argc, char* argv[])
{
    using namespace hollerbox;

    QCoreApplication application{argc, argv};
    HollerboxDiagnostics::setSystemLog(std::make_shared<SystemLogJournal>(
        "HollerboxBackgroundMonitor", std::string{HollerboxDiagnostics::subsystem}));

    // The one runtime of this process, kept until the event loop ends.
    std::unique_ptr<BackgroundMonitorRuntime> runtime;
    QTimer::singleShot(0, &application, [&runtime, argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        const auto options =
            BackgroundMonitorOptionParser::parse(arguments, LogLocations::defaultLogFilePath());
        runtime = std::make_unique<BackgroundMonitorRuntime>(
            options, [](int status) { QCoreApplication::exit(status); });
    });
    const int status = QCoreApplication::exec();
    runtime.reset();
    return status;
}
