#include "ProcessUsage.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace hollerbox::benchmarks {

double cpuSeconds(qint64 pid)
{
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
