// The document's side of opening a catalogue and of the folder it lives in: what a
// crash left half done is finished before the archive is read, a new catalogue is made,
// and a folder shared by a sync service is recognised. The windows ask here, so that
// they never reach the file operations themselves.

#include "cataloguedocument.h"

#include "importstager.h"
#include "newcatalogue.h"
#include "reorganisationjournal.h"
#include "reorganiser.h"

#include <QFileInfo>

namespace spartiti {

std::optional<Error> CatalogueDocument::recoverInterruptedWork(QString &report)
{
    report.clear();
    // Without the lock the journal may belong to another editor that is still running it.
    if (!holdsLock() && QFileInfo::exists(journal::path(m_folder.path())))
        return Error{Error::Kind::Io, QStringLiteral("Un altro editor sta riordinando l'archivio: riprova fra "
                                                     "qualche istante.")};
    if (auto error = recoverReorganisation(m_folder.path(), report))
        return error;
    // Pages rendered for an import that never got filed.
    if (holdsLock())
        removeImportLeftovers(m_folder);
    return std::nullopt;
}

std::optional<Error> CatalogueDocument::createCatalogue(const QString &folder, CatalogueFolder &made)
{
    return spartiti::createCatalogue(folder, made);
}

std::optional<Error> CatalogueDocument::copyCatalogue(const CatalogueFolder &source, const QString &folder,
                                                      CatalogueFolder &made)
{
    return spartiti::copyCatalogue(source, folder, made);
}

SyncFolder CatalogueDocument::syncFolder() const
{
    return SyncFolder::of(m_folder.path());
}

bool CatalogueDocument::localStateKeptOutOfSync(const SyncFolder &sync) const
{
    return localStateIgnored(sync, m_folder.path());
}

std::optional<Error> CatalogueDocument::keepLocalStateOutOfSync(const SyncFolder &sync)
{
    return spartiti::keepLocalStateOutOfSync(sync, m_folder.path());
}

} // namespace spartiti
