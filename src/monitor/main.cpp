#include "AudioSettingsRestorer.h"
#include "BackgroundMonitorOptionParser.h"
#include "BackgroundMonitorRuntime.h"
#include "LogLocations.h"
#include "engine/HollerboxDiagnostics.h"
#include "linux/audio/MissedWriteCoding.h"
#include "linux/base/SystemLogJournal.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

int main(int argc, char* argv[])
{
    using namespace hollerbox;

    // A launcher that closes our standard output must not end the process in the middle of an alarm.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application{argc, argv};
    HollerboxDiagnostics::setSystemLog(std::make_shared<SystemLogJournal>(
        "HollerboxBackgroundMonitor", std::string{HollerboxDiagnostics::subsystem}));

    // An ended monitor's audio writes that its sound server missed, applied by a process of their own.
    if (argc > 1 && std::string_view{argv[1]} == AudioSettingsRestorer::option) {
        auto writes = argc == 3 ? MissedWriteCoding::decode(argv[2]) : std::nullopt;
        if (!writes) {
            std::fprintf(stderr,
                         "Usage: %s %s '[{\"sink\": NAME, \"mute\": BOOL, \"volumes\": [VOLUME...]}...]'\n",
                         argv[0], AudioSettingsRestorer::option);
            return 2;
        }
        const AudioSettingsRestorer restorer{std::move(*writes),
                                             [](int status) { QCoreApplication::exit(status); }};
        std::_Exit(QCoreApplication::exec());
    }

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
