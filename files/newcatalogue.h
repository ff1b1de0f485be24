#pragma once

#include "cataloguefolder.h"
#include "error.h"

#include <QString>

#include <optional>

namespace spartiti {

// Makes an empty catalogue in `folder`: `spartiti/` with an archive of no scores (written
// as saving writes it, so that a web page reads an empty array), the 33 category names of
// generi.js, the `audio` folder and the placeholder page m.jpg. A folder that already
// holds a catalogue (or anything called `spartiti`) is refused and left as it is; a
// failure halfway removes what was made. On success `made` is the new catalogue.
std::optional<Error> createCatalogue(const QString &folder, CatalogueFolder &made);

// Copies the catalogue in `source` (its `spartiti` folder) into `folder`, as a catalogue
// of its own there: the demo catalogue, installed read-only, becomes one the user can
// edit. Refused like createCatalogue when `folder` already holds one.
std::optional<Error> copyCatalogue(const CatalogueFolder &source, const QString &folder, CatalogueFolder &made);

} // namespace spartiti
