#pragma once

#include "catalogue.h"

#include <QString>
#include <QStringList>

namespace spartiti {

// Copies of the archive that a sync service left beside it when two computers saved it
// at nearly the same time: it keeps one version as archivio.js and renames the other.
// Syncthing: "archivio.sync-conflict-20261207-101500-ABCDEFG.js"; Dropbox: "archivio
// (conflicted copy 2026-12-07).js", "archivio (Nome's conflicted copy 2026-12-07).js";
// Nextcloud: "archivio (conflicted copy 2026-12-07 101500).js"; ownCloud:
// "archivio_conflict-20261207-101500.js". Full paths, oldest first.
QStringList findConflictCopies(const QString &dataFolder);
bool isConflictCopyName(const QString &fileName);
// Whether `fileName` is such a copy of the file named `original` (a page "12L.jpg", a
// track "12.mp3"), in any of those services' patterns.
bool isConflictCopyOf(const QString &fileName, const QString &original);

// How far apart two catalogues are: the records one has and the other not, and the
// fields that differ between the records both have.
int catalogueDistance(const ScoreCatalogue &a, const ScoreCatalogue &b);

// The versions of the archive this editor knows: the one it last read or wrote, then the
// dated backups (each an archive a save or a reorganisation replaced), newest first.
// Unreadable backups are skipped.
QList<ScoreCatalogue> knownVersions(const ScoreCatalogue &lastKnown, const QStringList &backupPaths);

// The common base of a merge with `theirs`, a version made elsewhere: among the known
// versions (all of them this editor's own history, so ancestors of its side), the one
// closest to `theirs`, so most likely the one `theirs` was made from. Two computers that
// saved at once both started from the archive before either save, which the backups
// hold; the archive this editor wrote itself is the wrong base, as `theirs` never had
// its edits. A tie goes to the newer version.
ScoreCatalogue chooseMergeBase(const QList<ScoreCatalogue> &known, const ScoreCatalogue &theirs);

} // namespace spartiti
