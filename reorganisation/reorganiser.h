#pragma once

#include "catalogue.h"
#include "error.h"
#include "reorganisation.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace spartiti {

// Carries out a planned reorganisation of the data folder as one step that happens
// whole or not at all, even if the machine stops halfway: the journal first, then every
// file to a temporary name, then to its new name, the archive last, then the journal
// goes. A failure undoes what was done and says why; nothing is ever replaced, and no
// folder outside the data folder is used.
// `stopAfterSteps` is for tests: it leaves off after that many steps (a rename, the
// archive's replacement, a removal, the journal's removal), as a crash would, and
// reports an error.
std::optional<Error> applyReorganisation(const QString &dataFolder, const ReorganisationSteps &steps,
                                         int stopAfterSteps = -1);

// Lists the folder, plans `operation` on `catalogue` and applies it. On success the
// catalogue holds what the new archive says and `plan` (when given) what was done,
// its inverse included; on failure nothing changes.
std::optional<Error> reorganise(ScoreCatalogue &catalogue, const QString &dataFolder,
                                const Reorganisation &operation, const QDateTime &now,
                                ReorganisationPlan *plan = nullptr);

// At start-up, before the archive is read: a reorganisation cut short is finished, or
// undone when it cannot be finished, and `report` says in Italian what was done (empty
// when there was nothing to do). A journal that is cut short or damaged is refused with
// an error and nothing is renamed.
std::optional<Error> recoverReorganisation(const QString &dataFolder, QString &report);

} // namespace spartiti
