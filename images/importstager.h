#pragma once

#include "cataloguefolder.h"
#include "error.h"
#include "scoreimport.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace spartiti {

// How a running import is followed and stopped from another thread.
struct ImportControl
{
    std::atomic<bool> cancelled{false};
    std::atomic<int> pagesDone{0};
    // Called on a worker thread after each page, with the pages done so far.
    std::function<void(int)> pageDone;
};

// Renders, converts or copies the pages of an import into a staging folder inside the
// data folder, one worker per core, as the page files of the records `planned`:
// 1L.jpg, 1R.jpg, 2L.jpg... with a copy of the placeholder m.jpg as the right page of a
// record that has none. Rendered pages are baseline JPEG at quality 85. Nothing of the
// catalogue changes here: Reorganisation::import then moves the files in, in one
// journaled step. On success `stagingFolder` is the folder's name relative to the data
// folder; a failure at any page or a cancel removes it and leaves the data folder as it was.
std::optional<Error> stageImport(const CatalogueFolder &folder, const QList<ImportPage> &pages,
                                 const QList<ImportedRecord> &planned, int dpi, ImportControl &control,
                                 QString &stagingFolder);

// Staging folders left by an editor that stopped while it rendered: they never became
// part of the catalogue. Call only while holding the catalogue's lock.
void removeImportLeftovers(const CatalogueFolder &folder);

// Where a staged import lives: its folder, then removed by a failure or a cancel.
void removeStaging(const CatalogueFolder &folder, const QString &stagingFolder);

} // namespace spartiti
