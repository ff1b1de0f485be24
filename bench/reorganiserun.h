#pragma once

#include <QString>

namespace spartiti::bench {

// Deleting score 1 of 3 276 scores that all have two pages and a track, which renames
// every file of the folder, and putting it back, timed over `runs` rounds in a data
// folder made under `folder`.
struct ReorganiseResult
{
    bool ok = false;
    int renames = 0;
    double deleteMs = 0;    // medians
    double restoreMs = 0;
};

ReorganiseResult measureReorganise(const QString &folder, int runs);

} // namespace spartiti::bench
