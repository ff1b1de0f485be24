#pragma once

#include "archive.h"
#include "catalogue.h"
#include "error.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace spartiti {

// One change of the catalogue's order. A score's number is its position in the archive
// and the name of its files, so each of these renumbers the records in between and
// renames their files to match.
struct Reorganisation
{
    enum class Kind {
        Delete,    // score `number` goes; its files go to a dated folder under "eliminati"
        Insert,    // an empty score takes number `number`
        Move,      // score `number` becomes score `target`
        Restore,   // `record` comes back as score `number`, its files from `folder`
        Import,    // `records` become scores `number`, `number` + 1, ..., their files from `folder`
    };
    Kind kind = Kind::Delete;
    int number = 0;
    int target = 0;
    // Restore only: the record, and the folder (relative to the data folder, empty when
    // the score had no files) that holds its files under the name of `number`.
    ArchiveRecord record;
    QString folder;
    // Delete: how many scores go from `number` on. Restore: when not empty, the records
    // that come back from `number` on, their files named after the numbers they had.
    // Import: the new records, their files in `folder` named 1L.jpg, 1R.jpg, 2L.jpg...
    // after their place in the list; the folder goes once they are moved out.
    int count = 1;
    QList<ArchiveRecord> records;

    static Reorganisation make(Kind kind, int number, int target = 0)
    {
        Reorganisation r;
        r.kind = kind;
        r.number = number;
        r.target = target;
        return r;
    }
    static Reorganisation deletion(int number, int count = 1)
    {
        Reorganisation r = make(Kind::Delete, number);
        r.count = count;
        return r;
    }
    static Reorganisation insertion(int number) { return make(Kind::Insert, number); }
    static Reorganisation move(int from, int to) { return make(Kind::Move, from, to); }
    static Reorganisation import(int number, const QList<ArchiveRecord> &records, const QString &folder)
    {
        Reorganisation r = make(Kind::Import, number);
        r.count = int(records.size());
        r.records = records;
        r.folder = folder;
        return r;
    }
};

// One file renamed in two steps, first to a temporary name no other file has, then to
// its new name, so that no rename ever replaces a file. Paths are relative to the data
// folder ("12L.jpg", "audio/12.mp3").
struct FileMove
{
    QString from;
    QString temporary;
    QString to;
};

// What a reorganisation does on disk, in the order it does it: everything its journal
// holds, so that it can be finished or undone after a crash.
struct ReorganisationSteps
{
    QString id;                 // tells this reorganisation's temporary names apart
    QString description;        // for the user, Italian
    QString createdFolder;      // the dated folder for a deleted score's files, or empty
    QString notePath;           // the note in that folder saying whose files they are
    QByteArray note;
    QList<FileMove> moves;
    QStringList removedAfter;   // a restore's note, then its folder, once the files are back;
                                // an import's staging folder once its files are moved out
    QByteArray newArchive;      // the archive's bytes afterwards; replaced last
};

struct ReorganisationPlan
{
    ReorganisationSteps steps;
    Reorganisation inverse;     // the reorganisation that undoes this one
    int shownAfter = 0;         // the number the score acted on has afterwards
};

// The names present in the data folder that a plan depends on, relative to it: the
// entries of the folder, of "audio", of "eliminati" and, for a restore, of its folder.
QSet<QString> listDataFolder(const QString &dataFolder, const QString &restoreFolder = {});

// Plans `operation` on `catalogue` (slots 1..scoreCount) given the names in the folder;
// fills `after` with the catalogue it leaves. Touches no file. Refuses a number out of
// range, more records than the archive holds, and a plan that would have to replace a
// file that is not itself moved (a page of a number past the last score, say).
std::optional<Error> planReorganisation(const ScoreCatalogue &catalogue, const QSet<QString> &names,
                                        const Reorganisation &operation, const QDateTime &now,
                                        ReorganisationPlan &plan, ScoreCatalogue &after);

} // namespace spartiti
