// The document's saving: the file on disk read again first, and when another program
// or another editor changed it, merged with this editor's edits, overwritten with a
// backup of its own, or left alone, as the user answers; then written, with a dated
// backup of what it replaces, and read back.

#include "cataloguedocument.h"

#include "archive.h"
#include "archivemerge.h"
#include "backups.h"
#include "conflictcopies.h"
#include "notifier.h"
#include "atomicfile.h"
#include "reorganiser.h"
#include "scorefilemoves.h"
#include "cataloguefolder.h"
#include "module1.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace spartiti {

namespace {

// Scores added here that came after the ones added on disk, and their files, which
// take the new number with them.
QString renumberedNote(const QList<QPair<int, int>> &moved, const QStringList &problems)
{
    QStringList moves;
    for (const auto &[from, to] : moved) {
        if (from != to)
            moves.append(QStringLiteral("%1 → %2").arg(from).arg(to));
    }
    if (moves.isEmpty())
        return {};
    QString note = QStringLiteral(" Gli spartiti aggiunti qui vengono dopo quelli sul disco e hanno un nuovo "
                                  "numero (%1); le pagine e le basi allegate qui li seguono.")
                       .arg(moves.join(QStringLiteral(", ")));
    if (!problems.isEmpty())
        note += QStringLiteral("\n\nAlcuni file non hanno seguito il loro spartito e vanno controllati:\n")
            + problems.join(QLatin1Char('\n'));
    return note;
}

} // namespace

bool CatalogueDocument::save()
{
    return saveWith(absorbConflictCopies());
}

bool CatalogueDocument::offerConflictCopies()
{
    const QStringList merged = absorbConflictCopies();
    return !merged.isEmpty() && saveWith(merged);
}

bool CatalogueDocument::saveWith(const QStringList &conflicts)
{
    const QString path = m_folder.archive();
    QByteArray diskBytes;
    const bool onDisk = QFileInfo(path).isFile();
    if (onDisk) {
        if (auto error = readArchiveBytes(path, diskBytes)) {
            m_notifier.warn(error->message + QStringLiteral("\nNulla è stato salvato."));
            return false;
        }
    }
    const ArchiveFileState now = onDisk ? ArchiveFileState::of(path, diskBytes) : ArchiveFileState{};
    bool merged = false;
    bool overwrite = false;
    QList<QPair<int, int>> moved;
    ScoreCatalogue toWrite = m_catalogue;
    if (!now.sameBytes(m_watcher.known())) {
        auto settled = settleChangeOnDisk(diskBytes, merged, overwrite, moved);
        if (!settled)
            return false;
        toWrite = std::move(*settled);
    }
    // The files of scores that took a new number move with the merged archive, through
    // the journal, so that a crash leaves the old or the new state and never a page
    // under a number that now belongs to another score.
    ReorganisationSteps fileSteps;
    QStringList problems;
    fileSteps.id = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    fileSteps.description = QStringLiteral("salvataggio con le modifiche unite");
    planScoreFileMoves(moved, m_attachedHere, m_folder.path(), fileSteps, problems);
    QString backupNote;
    if (!writeAndReload(toWrite, merged, backupNote, overwrite, fileSteps.moves.isEmpty() ? nullptr : &fileSteps))
        return false;
    m_lastSaveMoves = moved;
    const int n = m_catalogue.scoreCount();
    QString message = QStringLiteral("OK!  ") + m_catalogue.title(n) + QStringLiteral("  è nel tuo database!");
    if (merged)
        message += QStringLiteral("\n\nLe modifiche fatte qui sono state unite alla versione sul disco.")
            + renumberedNote(moved, problems);
    if (overwrite)
        message += QStringLiteral("\n\nLa versione che era sul disco è conservata nella copia di sicurezza \"%1\".")
                       .arg(QDir::toNativeSeparators(backupNote));
    message += shelveConflictCopies(conflicts);
    m_notifier.inform(message);
    return true;
}

bool CatalogueDocument::addedSinceSaved(int number) const
{
    return number > m_saved.scoreCount() && number <= m_catalogue.scoreCount();
}

std::optional<int> CatalogueDocument::saveToSettleNumber(int number)
{
    m_lastSaveMoves.clear();
    if (!save())
        return std::nullopt;
    int now = number;
    for (const auto &[from, to] : std::as_const(m_lastSaveMoves))
        if (from == number)
            now = to;
    if (now != number && m_state.currentNumber() == number)
        m_state.setCurrentNumber(now);
    return now;
}

std::optional<ScoreCatalogue> CatalogueDocument::settleChangeOnDisk(const QByteArray &diskBytes, bool &merged,
                                                                    bool &overwrite, QList<QPair<int, int>> &moved)
{
    const auto choice = m_notifier.askChoice(
        QStringLiteral("L'archivio \"%1\" è stato modificato da un altro programma o da un'altra finestra "
                       "dopo che questo editor lo ha letto.\n\n"
                       "Unisci: le modifiche fatte qui vengono applicate alla versione sul disco.\n"
                       "Sovrascrivi: la versione sul disco viene conservata come copia di sicurezza e "
                       "sostituita da quella di questo editor.\n"
                       "Annulla: non viene scritto nulla.")
            .arg(QDir::toNativeSeparators(m_folder.archive())),
        {QStringLiteral("Unisci"), QStringLiteral("Sovrascrivi"), QStringLiteral("Annulla")});
    if (!choice || *choice == 2)
        return std::nullopt;
    if (*choice == 1) {
        overwrite = true;
        return m_catalogue;
    }
    // An archive deleted on disk has nothing to merge: what was read is written back.
    ScoreCatalogue theirs;
    if (diskBytes.isNull()) {
        theirs = m_saved;
    } else {
        if (auto error = loadArchiveBytes(theirs, diskBytes, m_folder.archive())) {
            m_notifier.warn(QStringLiteral("La versione sul disco non si può leggere, quindi non si può unire: %1\n"
                                           "Nulla è stato salvato.")
                                .arg(error->message));
            return std::nullopt;
        }
    }
    try {
        auto result = mergeAsking(m_catalogue, theirs, theirs,
                                  QStringLiteral("Questi campi sono stati cambiati sia qui sia sul disco:\n\n%1\n\n"
                                                 "Quale versione vuoi tenere per tutti?"),
                                  {QStringLiteral("Tieni le mie"), QStringLiteral("Tieni quelle sul disco")}, &moved);
        merged = result.has_value();
        return result;
    } catch (const Error &error) {
        m_notifier.warn(error.message + QStringLiteral("\nNulla è stato salvato."));
        return std::nullopt;
    }
}

// The base is the version `foreign` was most likely made from: the one read here, or,
// when another computer saved at the same time as this editor, the archive before this
// editor's own save, which the backups keep.
std::optional<ScoreCatalogue> CatalogueDocument::mergeAsking(const ScoreCatalogue &mine, const ScoreCatalogue &theirs,
                                                             const ScoreCatalogue &foreign, const QString &question,
                                                             const QStringList &sides, QList<QPair<int, int>> *moved)
{
    const ScoreCatalogue base = chooseMergeBase(knownVersions(m_saved, backups::list(m_folder.archive())), foreign);
    ArchiveMerge merge = mergeEdits(base, mine, theirs);
    bool keepMine = true;
    if (!merge.conflicts.isEmpty()) {
        const auto side = m_notifier.askChoice(question.arg(describeConflicts(merge.conflicts)),
                                               QStringList(sides) << QStringLiteral("Annulla"));
        if (!side || *side == 2)
            return std::nullopt;
        keepMine = *side == 0;
    }
    if (moved)
        *moved = merge.moved;
    return keepMine ? std::move(merge.keepingMine) : std::move(merge.keepingTheirs);
}

// The archive about to be replaced is kept first, dated, in spartiti/backup, unless the
// newest backup already holds it; a failed write takes back the backup it made.
bool CatalogueDocument::writeAndReload(const ScoreCatalogue &toWrite, bool forgetHistory, QString &backupNote,
                                       bool backupIsTheirs, ReorganisationSteps *withFiles)
{
    const QString path = m_folder.archive();
    QByteArray bytes;
    if (auto error = encodeArchive(toWrite, bytes)) {
        m_notifier.warn(error->message);
        return false;
    }
    backups::KeptCopy kept;
    if (auto error = backups::keep(path, QDateTime::currentDateTime(), &kept)) {
        m_notifier.warn(error->message);
        return false;
    }
    std::optional<Error> outcome;
    if (withFiles) {
        withFiles->newArchive = bytes;
        outcome = applyReorganisation(m_folder.path(), *withFiles);
    } else {
        outcome = replaceFileAtomically(path, bytes);
    }
    if (auto error = outcome) {
        if (kept.made)
            QFile::remove(kept.path);
        m_notifier.warn(error->message);
        return false;
    }
    backups::prune(path);
    if (backupIsTheirs)
        backupNote = kept.path;
    // Memory holds exactly what the file says, in the slots the file has; the slots past
    // the last record keep what was typed there.
    QByteArray written;
    ScoreCatalogue reloaded = toWrite;
    std::optional<Error> error = readArchiveBytes(path, written);
    if (!error)
        error = loadArchiveBytes(reloaded, written, path);
    if (error || written != bytes) {
        m_notifier.warn(QStringLiteral("L'archivio è stato scritto, ma rileggendolo non corrisponde a quanto "
                                       "scritto: un altro programma potrebbe averlo cambiato subito dopo."));
        return false;
    }
    if (forgetHistory) {
        adoptLoaded(std::move(reloaded), written, true);
    } else {
        m_catalogue = std::move(reloaded);
        m_saved = m_catalogue;
        m_watcher.setKnown(ArchiveFileState::of(path, written));
        updateModified();
    }
    emit saved();
    return true;
}

} // namespace spartiti
