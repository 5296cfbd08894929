#pragma once

#include <QtGlobal>

namespace hollerbox::benchmarks {

/// User and system CPU time of `pid` so far in seconds, from /proc/<pid>/stat; NaN when it cannot be read.
double cpuSeconds(qint64 pid);

/// The resident memory (VmRSS) of `pid` in megabytes, from /proc/<pid>/status; NaN when it cannot be read.
double residentMegabytes(qint64 pid);

} // namespace hollerbox::benchmarks
