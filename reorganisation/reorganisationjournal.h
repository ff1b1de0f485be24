#pragma once

#include "reorganisation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace spartiti {

// The journal of a reorganisation, "spartiti/riordino-in-corso.txt": every step of the
// plan and the new archive's bytes, closed by a SHA-256 of all that. It is written and
// synced before the first rename, and deleted once the archive is replaced, so a
// journal found at start-up means a reorganisation was cut short.
//
// One line is appended once every file has its temporary name: from then on the files
// go to their new names, and the way back runs through the temporary names again.
namespace journal {

QString path(const QString &dataFolder);

QByteArray encode(const ReorganisationSteps &steps);
QByteArray secondPhaseMark();

struct Contents
{
    ReorganisationSteps steps;
    bool secondPhase = false;   // every file had its temporary name
};

// Refuses a journal cut short or changed: the checksum must match, and what follows it
// may only be the mark of the second phase (or the start of it, torn by a crash).
// The reason comes back in Italian.
bool decode(QByteArrayView bytes, Contents &contents, QString &reason);

// The checksum finds damage, not forgery: anyone who can write into a shared folder can
// leave a valid journal. So a journal may only rename and remove the catalogue's own
// kinds of file (pages, tracks, the program's temporary names, the dated folders of
// deleted scores and their notes, an import's staging folder) inside the data folder,
// never through a symbolic link; anything else is refused with the reason in Italian,
// before anything is touched.
bool onlyCatalogueFiles(const ReorganisationSteps &steps, const QString &dataFolder, QString &reason);

} // namespace journal
} // namespace spartiti
