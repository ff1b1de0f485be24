#pragma once

#include "reorganisation.h"

#include <QList>
#include <QPair>
#include <QHash>
#include <QString>
#include <QStringList>

namespace spartiti {

// After a merge gave scores added here new numbers: the renames that give their pages
// and track the new number too, as journal steps (`steps.moves`, names relative to the
// data folder) so that the renames and the merged archive happen whole or not at all.
// Only the files this editor wrote move: `owned` maps their full paths to the inode each
// was written with; any other file under the old number may belong to another editor's
// score of that number. When two computers attached a file under one name at once, a
// sync service keeps one and renames the other to a conflict copy: this editor's file,
// known by its inode, moves from wherever it is now, and a conflict copy left holding
// the other side's file takes back the name this editor's file leaves. A file is never
// moved over one that stays where it is; such a file is left, and `problems` says so in
// Italian.
void planScoreFileMoves(const QList<QPair<int, int>> &moves, const QHash<QString, quint64> &owned,
                        const QString &dataFolder, ReorganisationSteps &steps, QStringList &problems);
// The inode of `path` itself (of a link, not its target); 0 when there is none.
quint64 inodeOf(const QString &path);

} // namespace spartiti
