#pragma once

#include "catalogue.h"

#include <QList>
#include <QString>

namespace spartiti {

// One field that was changed both in this editor and in the archive on disk, to
// different values.
struct MergeConflict
{
    int number = 0;
    ScoreCatalogue::Field field = ScoreCatalogue::Field::Title;
    QString mine;
    QString theirs;
};

// The edits made here since the archive was loaded (`base` to `mine`) applied to the
// archive as it is on disk now (`theirs`), record by record and field by field. A record
// is found on disk where it stands now, after the other side deleted, inserted or moved
// scores (alignRecords). Records added on disk keep their numbers; records added here,
// and records edited here that are no longer on disk, come after them.
struct ArchiveMerge
{
    QList<MergeConflict> conflicts;
    // Records added here, by their number here and their number in the result.
    QList<QPair<int, int>> moved;
    // The result when the conflicts are settled in favour of this editor, or of the disk.
    ScoreCatalogue keepingMine;
    ScoreCatalogue keepingTheirs;
};

// For each record of `base` (index 1 to its count), its number in `theirs`, 0 when it is
// no longer there. Unchanged records are matched by content; a record changed on the
// other side is matched by its place between unchanged ones.
QList<int> alignRecords(const ScoreCatalogue &base, const ScoreCatalogue &theirs);

ArchiveMerge mergeEdits(const ScoreCatalogue &base, const ScoreCatalogue &mine, const ScoreCatalogue &theirs);

// One line per conflict, for the question that settles them.
QString describeConflicts(const QList<MergeConflict> &conflicts, int limit = 12);

} // namespace spartiti
