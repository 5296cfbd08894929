#pragma once

#include <QtGlobal>

namespace hollerbox::benchmarks {

/// CPU time of `pid` so far in seconds: its live threads' run times from /proc/<pid>/task/*/sched where the
/// kernel shows them, else user and system time from /proc/<pid>/stat (10 ms steps); NaN when neither reads.
double cpuSeconds(qint64 pid);

/// The resident memory (VmRSS) of `pid` in megabytes, from /proc/<pid>/status; NaN when it cannot be read.
double residentMegabytes(qint64 pid);

} // namespace hollerbox::benchmarks
