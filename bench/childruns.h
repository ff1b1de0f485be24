#pragma once

#include <QString>

namespace spartiti::bench {

// Runs that need a process of their own: start-up from nothing, and the peak memory of a
// whole scroll, which the rest of the benchmark would disturb.

struct StartupResult
{
    bool ok = false;
    double inProcessMs = 0;   // main to the first paint, as the editor reports it
    double outsideMs = 0;     // the whole process, as /usr/bin/time sees it
};

// Starts the editor `runs` times in `folder` with SPARTITI_STARTUP_PROBE=1; medians.
StartupResult measureStartup(const QString &editor, const QString &folder, int runs);

struct ScrollResult
{
    bool ok = false;
    int records = 0;
    double peakRssMb = 0;
    double stepMedianMs = 0;
    double stepP90Ms = 0;
};

// Runs this benchmark again as `--scroll-child folder records`.
ScrollResult measureScroll(const QString &benchmark, const QString &folder, int records);

// Runs this benchmark again as `--show-child folder record`: the milliseconds from the
// selector's move to both pages on show, in a process that starts with nothing decoded;
// -1 on failure.
double measureShowRecord(const QString &benchmark, const QString &folder, int record);

} // namespace spartiti::bench
