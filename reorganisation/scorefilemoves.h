#pragma once

#include "reorganisation.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace spartiti {

// After a merge gave scores added here new numbers: the renames that give their pages
// and track the new number too, as journal steps (`steps.moves`, names relative to the
// data folder) so that the renames and the merged archive happen whole or not at all.
// Only the files in `owned` (full paths) move: any other file under the old number may
// belong to another editor's score of that number. A file is never moved over one that
// stays where it is; such a file is left, and `problems` says so in Italian.
void planScoreFileMoves(const QList<QPair<int, int>> &moves, const QSet<QString> &owned,
                        const QString &dataFolder, ReorganisationSteps &steps, QStringList &problems);

} // namespace spartiti
