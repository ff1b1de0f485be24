// The document's side of deleting, inserting and moving scores: the reorganisation runs
// on the archive and the folder, memory takes what the archive now holds, and the step
// goes on the history so that undo runs the inverse reorganisation.

#include "cataloguedocument.h"

#include "module1.h"
#include "notifier.h"
#include "reorganisecommand.h"
#include "reorganiser.h"
#include "scorepaths.h"

#include <QTimer>
#include <QUndoStack>

namespace spartiti {

namespace {

QString stepText(const Reorganisation &operation)
{
    switch (operation.kind) {
    case Reorganisation::Kind::Delete:
        return QStringLiteral("Elimina lo spartito %1").arg(operation.number);
    case Reorganisation::Kind::Insert:
        return QStringLiteral("Inserisci uno spartito al numero %1").arg(operation.number);
    case Reorganisation::Kind::Move:
        return QStringLiteral("Sposta lo spartito %1 al numero %2").arg(operation.number).arg(operation.target);
    case Reorganisation::Kind::Restore:
        return QStringLiteral("Ripristina lo spartito %1").arg(operation.number);
    }
    return {};
}

} // namespace

bool CatalogueDocument::reorganise(const Reorganisation &operation)
{
    Reorganisation inverse;
    if (!runReorganisation(operation, inverse, false))
        return false;
    m_history->push(new ReorganiseCommand(stepText(operation), operation, inverse,
                                          [this](const Reorganisation &next, Reorganisation &back) {
                                              return runReorganisation(next, back, true);
                                          }));
    return true;
}

bool CatalogueDocument::runReorganisation(const Reorganisation &operation, Reorganisation &inverse,
                                          bool fromHistory)
{
    std::optional<Error> error;
    // The reorganisation writes the archive from memory: a version written meanwhile by
    // another program would be lost without a word.
    if (m_watcher.recheck())
        error = Error{Error::Kind::Io,
                      QStringLiteral("Un altro programma ha cambiato l'archivio: salva prima le modifiche "
                                     "(potrai unirle alle sue), poi riprova. Nulla è cambiato.")};
    ReorganisationPlan plan;
    if (!error)
        error = spartiti::reorganise(m_state.catalogue, paths::dataFolder(), operation,
                                     QDateTime::currentDateTime(), &plan);
    if (error) {
        m_notifier.warn(error->message);
        // Older steps name scores by the numbering this one would have changed: after a
        // failed undo or redo they would act on the wrong scores. Dropped once the stack
        // has finished the step it is running.
        if (fromHistory)
            QTimer::singleShot(0, m_history, &QUndoStack::clear);
        return false;
    }
    inverse = plan.inverse;
    // The archive now holds exactly the catalogue in memory.
    m_saved = m_state.catalogue;
    m_watcher.setKnown(ArchiveFileState::of(paths::archive(), plan.steps.newArchive));
    updateModified();
    emit recordsReplaced();
    emit saved();
    emit recordRangeWanted(m_state.catalogue.scoreCount() + 1);
    emit recordWanted(std::max(plan.shownAfter, 1));
    return true;
}

} // namespace spartiti
