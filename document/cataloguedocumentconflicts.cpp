// The document's side of the conflict copies a sync service leaves beside the archive:
// offered at opening, when one appears while the editor is open, and at every save;
// merged into the catalogue in memory with the right common base, then, once the save
// has written them, kept among the dated backups.

#include "cataloguedocument.h"

#include "archive.h"
#include "backups.h"
#include "conflictcopies.h"
#include "notifier.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace spartiti {

QStringList CatalogueDocument::conflictCopies() const
{
    return findConflictCopies(m_folder.path());
}

void CatalogueDocument::checkConflictCopies()
{
    QStringList fresh;
    for (const QString &copy : conflictCopies()) {
        if (!m_conflictCopiesOffered.contains(copy))
            fresh.append(copy);
    }
    if (!fresh.isEmpty())
        emit conflictCopiesFound(fresh);
}

QStringList CatalogueDocument::absorbConflictCopies()
{
    const QStringList copies = conflictCopies();
    if (copies.isEmpty())
        return {};
    for (const QString &copy : copies)
        m_conflictCopiesOffered.insert(copy);
    QStringList names;
    for (const QString &copy : copies)
        names.append(QFileInfo(copy).fileName());
    const auto answer = m_notifier.askChoice(
        QStringLiteral("Accanto all'archivio c'è una copia in conflitto lasciata dal servizio di "
                       "sincronizzazione:\n\n%1\n\nSuccede quando l'archivio viene salvato su due computer quasi "
                       "nello stesso momento: la copia contiene modifiche che nell'archivio mancano.\n\n"
                       "Unisci: le sue modifiche vengono unite a quelle di questo editor e salvate; la copia va "
                       "fra le copie di sicurezza.\nNon ora: la copia resta dov'è.")
            .arg(names.join(QLatin1Char('\n'))),
        {QStringLiteral("Unisci"), QStringLiteral("Non ora")});
    if (answer != 0)
        return {};
    QStringList merged;
    for (const QString &copy : copies) {
        QByteArray bytes;
        ScoreCatalogue theirs;
        std::optional<Error> error = readArchiveBytes(copy, bytes);
        if (!error)
            error = loadArchiveBytes(theirs, bytes, copy);
        if (error) {
            m_notifier.warn(QStringLiteral("La copia in conflitto non si può leggere, quindi non si può unire: %1")
                                .arg(error->message));
            continue;
        }
        try {
            // The copy's edits since the version it was made from, applied to this
            // editor's catalogue.
            auto result = mergeAsking(theirs, m_catalogue, theirs,
                                      QStringLiteral("Questi campi sono diversi nella copia in conflitto (\"qui\") e in "
                                                     "questo editor (\"sul disco\"):\n\n%1\n\nQuale versione vuoi "
                                                     "tenere per tutti?"),
                                      {QStringLiteral("Tieni la copia"), QStringLiteral("Tieni questo editor")});
            if (!result)
                continue;
            m_catalogue = std::move(*result);
            merged.append(copy);
        } catch (const Error &error) {
            m_notifier.warn(error.message);
        }
    }
    if (!merged.isEmpty()) {
        updateModified();
        emit recordsReplaced();
    }
    return merged;
}

QString CatalogueDocument::shelveConflictCopies(const QStringList &copies)
{
    QStringList kept;
    for (const QString &copy : copies) {
        backups::KeptCopy backup;
        if (backups::keep(copy, QDateTime::currentDateTime(), &backup))
            continue;
        if (QFile::remove(copy))
            kept.append(QFileInfo(copy).fileName());
    }
    if (kept.isEmpty())
        return {};
    return QStringLiteral("\n\nLa copia in conflitto (%1) è stata unita all'archivio ed è conservata fra le copie "
                          "di sicurezza, nella cartella \"%2\".")
        .arg(kept.join(QStringLiteral(", ")), QDir::toNativeSeparators(backups::folder(m_folder.archive())));
}

} // namespace spartiti
