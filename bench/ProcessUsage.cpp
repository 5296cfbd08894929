#include "ProcessUsage.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace hollerbox::benchmarks {

namespace {

/// The sum of the threads' scheduler run times (nanosecond precision), or none when the kernel does not
/// show them.
std::optional<double> threadRunSeconds(qint64 pid)
{
    std::error_code error;
    double milliseconds = 0;
    bool found = false;
    for (const auto& task :
         std::filesystem::directory_iterator{"/proc/" + std::to_string(pid) + "/task", error}) {
        std::ifstream sched{task.path() / "sched"};
        std::string line;
        while (std::getline(sched, line)) {
            if (line.rfind("se.sum_exec_runtime", 0) == 0) {
                milliseconds += std::stod(line.substr(line.find(':') + 1));
                found = true;
                break;
            }
        }
    }
    if (error || !found) {
        return std::nullopt;
    }
    return milliseconds / 1000.0;
}

} // namespace

double cpuSeconds(qint64 pid)
{
    if (const auto seconds = threadRunSeconds(pid)) {
        return *seconds;
    }
    std::ifstream stat{"/proc/" + std::to_string(pid) + "/stat"};
    const std::string text{std::istreambuf_iterator<char>{stat}, {}};
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return NAN;
    }
    std::istringstream fields{text.substr(close + 2)};
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14 || index == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double residentMegabytes(qint64 pid)
{
    std::ifstream status{"/proc/" + std::to_string(pid) + "/status"};
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return NAN;
}

} // namespace hollerbox::benchmarks
