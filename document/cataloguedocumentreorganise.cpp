// The document's side of deleting, inserting and moving scores: the reorganisation runs
// on the archive and the folder, memory takes what the archive now holds, and the step
// goes on the history so that undo runs the inverse reorganisation.

#include "cataloguedocument.h"

#include "backups.h"
#include "importstager.h"
#include "notifier.h"
#include "reorganisecommand.h"
#include "reorganiser.h"
#include "cataloguefolder.h"

#include <QFile>
#include <QTimer>
#include <QUndoStack>

namespace spartiti {

namespace {

QString stepText(const Reorganisation &operation)
{
    switch (operation.kind) {
    case Reorganisation::Kind::Delete:
        if (operation.count > 1)
            return QStringLiteral("Elimina gli spartiti da %1 a %2")
                .arg(operation.number)
                .arg(operation.number + operation.count - 1);
        return QStringLiteral("Elimina lo spartito %1").arg(operation.number);
    case Reorganisation::Kind::Insert:
        return QStringLiteral("Inserisci uno spartito al numero %1").arg(operation.number);
    case Reorganisation::Kind::Move:
        return QStringLiteral("Sposta lo spartito %1 al numero %2").arg(operation.number).arg(operation.target);
    case Reorganisation::Kind::Restore:
        return QStringLiteral("Ripristina lo spartito %1").arg(operation.number);
    case Reorganisation::Kind::Import:
        return QStringLiteral("Importa «%1»").arg(operation.records.value(0)[int(ScoreCatalogue::Field::Title)]);
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

bool CatalogueDocument::importStaged(int position, const QList<ArchiveRecord> &records,
                                     const QString &stagingFolder)
{
    const bool done = reorganise(Reorganisation::import(position, records, stagingFolder));
    if (!done)
        removeStaging(m_folder, stagingFolder);
    return done;
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
    // The archive a reorganisation replaces is kept dated, as a save keeps it.
    backups::KeptCopy kept;
    if (!error)
        error = backups::keep(m_folder.archive(), QDateTime::currentDateTime(), &kept);
    ReorganisationPlan plan;
    if (!error)
        error = spartiti::reorganise(m_catalogue, m_folder.path(), operation,
                                     QDateTime::currentDateTime(), &plan);
    if (error) {
        if (kept.made)
            QFile::remove(kept.path);
        m_notifier.warn(error->message);
        // Older steps name scores by the numbering this one would have changed: after a
        // failed undo or redo they would act on the wrong scores. Dropped once the stack
        // has finished the step it is running.
        if (fromHistory)
            QTimer::singleShot(0, m_history, &QUndoStack::clear);
        return false;
    }
    backups::prune(m_folder.archive());
    inverse = plan.inverse;
    // The archive now holds exactly the catalogue in memory.
    m_saved = m_catalogue;
    m_watcher.setKnown(ArchiveFileState::of(m_folder.archive(), plan.steps.newArchive));
    updateModified();
    emit recordsReplaced();
    emit saved();
    emit recordRangeWanted(m_catalogue.scoreCount() + 1);
    emit recordWanted(std::max(plan.shownAfter, 1));
    return true;
}

} // namespace spartiti
