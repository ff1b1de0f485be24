#pragma once

#include <QString>

namespace spartiti::bench {

// The score list on the largest archive: opening the window until it has painted, and
// one keystroke in its filter field until the table has painted again, with the list
// sorted by title. Medians over `runs` rounds, in a data folder made under `folder`.
struct ScoreListResult
{
    bool ok = false;
    double openMs = 0;
    double keystrokeMs = 0;
    int keystrokes = 0;
};

ScoreListResult measureScoreList(const QString &folder, int runs);

} // namespace spartiti::bench
