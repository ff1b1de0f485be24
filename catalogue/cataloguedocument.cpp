#include "cataloguedocument.h"

#include "archive.h"
#include "archivemerge.h"
#include "backups.h"
#include "module1.h"
#include "notifier.h"
#include "scorefilemoves.h"
#include "scorepaths.h"
#include "utf8detection.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUndoStack>

#include <algorithm>
#include <sys/stat.h>

namespace spartiti {

namespace {

using Field = ScoreCatalogue::Field;

// What saving writes of one slot: the empty category is written as "0".
QString savedCategory(const QString &category)
{
    return category.isEmpty() ? QStringLiteral("0") : category;
}

// Scores added here that came after the ones added on disk, and their files, which
// take the new number with them.
QString renumberedNote(const QList<QPair<int, int>> &moved, const QSet<QString> &attachedHere)
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
    const QStringList problems = moveScoreFiles(moved, attachedHere);
    if (!problems.isEmpty())
        note += QStringLiteral("\n\nAlcuni file non hanno seguito il loro spartito e vanno controllati:\n")
            + problems.join(QLatin1Char('\n'));
    return note;
}

// Whether two names are links to one file: the attach wrote no new file there.
bool sameFile(const QString &a, const QString &b)
{
    struct stat one, other;
    return ::stat(QFile::encodeName(a).constData(), &one) == 0 && ::stat(QFile::encodeName(b).constData(), &other) == 0
        && one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool sameAsSaved(const ScoreCatalogue &now, const ScoreCatalogue &saved)
{
    if (now.scoreCount() != saved.scoreCount())
        return false;
    for (int k = 1; k <= std::min<int>(now.scoreCount(), ScoreCatalogue::SlotCount - 1); ++k) {
        if (now.title(k) != saved.title(k) || now.author(k) != saved.author(k) || now.tags(k) != saved.tags(k)
            || savedCategory(now.category(k)) != savedCategory(saved.category(k)))
            return false;
    }
    return true;
}

QString lockPath()
{
    return QDir(paths::dataFolder()).filePath(QStringLiteral(".archivio.lock"));
}

} // namespace

CatalogueDocument::CatalogueDocument(Module1 &state, Notifier &notifier, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_notifier(notifier)
    , m_history(new QUndoStack(this))
    , m_search(state.catalogue)
    , m_stash(paths::dataFolder())
{
    setObjectName(QStringLiteral("catalogueDocument"));
    connect(m_history, &QUndoStack::indexChanged, this, &CatalogueDocument::updateModified);
    connect(&m_watcher, &ArchiveWatcher::changedOnDiskChanged, this, &CatalogueDocument::changedOnDiskChanged);
}

CatalogueDocument::~CatalogueDocument()
{
    // The history goes with the children, after the members its steps refer to.
    disconnect(m_history, nullptr, this, nullptr);
    m_history->clear();
}

const ScoreCatalogue &CatalogueDocument::catalogue() const
{
    return m_state.catalogue;
}

bool CatalogueDocument::acquireLock()
{
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Held for as long as the editor runs: age says nothing about whether it is stale,
    // only a holder that no longer runs does, and tryLock checks that itself.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        // No other editor runs on this catalogue now: what a killed one kept for its undo
        // is of no use to anyone.
        FileStash::removeLeftovers(paths::dataFolder());
        return true;
    }
    const QLockFile::LockError error = m_lock->error();
    qint64 pid = 0;
    QString host, application;
    m_lock->getLockInfo(&pid, &host, &application);
    m_lock.reset();
    if (error != QLockFile::LockFailedError)
        return true;   // no lock can be made here (a read-only folder): open without one
    return m_notifier.askYesNo(QStringLiteral("L'archivio è già aperto in un'altra finestra (processo %1 su %2). "
                                              "Aprirlo comunque?")
                                   .arg(pid)
                                   .arg(host));
}

std::optional<Error> CatalogueDocument::load()
{
    QByteArray bytes;
    if (auto error = readArchiveBytes(paths::archive(), bytes))
        return error;
    ScoreCatalogue loaded;
    if (auto error = loadArchiveBytes(loaded, bytes, paths::archive()))
        return error;
    adoptLoaded(std::move(loaded), bytes, true);
    return std::nullopt;
}

// Memory becomes exactly what the file holds: every slot, not only 1..n, so that no
// record of the catalogue it replaces survives.
void CatalogueDocument::adoptLoaded(ScoreCatalogue loaded, const QByteArray &bytes, bool forgetHistory)
{
    if (forgetHistory) {
        m_history->clear();
        m_attachBefore.reset();
    }
    m_state.catalogue = std::move(loaded);
    m_saved = m_state.catalogue;
    m_attachedHere.clear();
    m_watcher.watch(paths::archive(), ArchiveFileState::of(paths::archive(), bytes));
    updateModified();
    if (forgetHistory)
        emit reloaded();
}

bool CatalogueDocument::offerUtf8Conversion()
{
    QByteArray bytes;
    if (readArchiveBytes(paths::archive(), bytes) || !looksLikeUtf8(bytes))
        return false;
    const std::optional<int> answer = m_notifier.askChoice(
        QStringLiteral("L'archivio sembra scritto in UTF-8 (per esempio \"è\" appare come \"Ã¨\"). "
                       "Convertirlo in Windows-1252?"),
        {QStringLiteral("Converti"), QStringLiteral("Lascia così")});
    if (answer != 0)
        return false;
    ScoreCatalogue converted = m_state.catalogue;
    std::optional<Error> error = loadArchiveBytes(converted, bytes, paths::archive(), ArchiveEncoding::Utf8);
    if (!error)
        error = backups::keep(paths::archive(), QDateTime::currentDateTime());
    if (error) {
        m_notifier.warn(error->message);
        return false;
    }
    backups::prune(paths::archive());
    m_state.catalogue = std::move(converted);
    updateModified();
    emit recordsReplaced();
    return true;
}

void CatalogueDocument::updateModified()
{
    m_search.invalidate();
    const bool modified = !sameAsSaved(m_state.catalogue, m_saved);
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void CatalogueDocument::reportUndoError(const QString &message)
{
    m_notifier.warn(message);
}

void CatalogueDocument::setField(int slot, Field field, const QString &text, int visit)
{
    try {
        const QString before = m_state.catalogue.value(field, slot);
        if (before == text)
            return;
        m_state.catalogue.setValue(field, slot, text);
        m_history->push(new FieldEditCommand(m_state, *this, slot, field, before, text, visit));
        updateModified();
        emit recordChanged(slot);
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
}

std::optional<Error> CatalogueDocument::addRecord(int selectorMaximum, int selectorPosition)
{
    try {
        const ScoreCatalogue &catalogue = m_state.catalogue;
        const int count = catalogue.scoreCount();
        // With no records yet, record 1 is the one on offer.
        if (catalogue.title(count == 0 ? 1 : count).isEmpty())
            return std::nullopt;
        if (count >= ScoreCatalogue::MaxArchiveRecords)
            return Error{Error::Kind::TooManyRecords, QStringLiteral("L'archivio può contenere al massimo %1 titoli")
                                                          .arg(ScoreCatalogue::MaxArchiveRecords)};
        m_history->push(new NewRecordCommand(m_state, *this, count, selectorMaximum, selectorPosition));
    } catch (const Error &error) {
        return error;
    }
    return std::nullopt;
}

bool CatalogueDocument::save()
{
    const QString path = paths::archive();
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
    ScoreCatalogue toWrite = m_state.catalogue;
    if (!now.sameBytes(m_watcher.known())) {
        auto settled = settleChangeOnDisk(diskBytes, merged, overwrite, moved);
        if (!settled)
            return false;
        toWrite = std::move(*settled);
    }
    const QSet<QString> attachedHere = m_attachedHere;
    QString backupNote;
    if (!writeAndReload(toWrite, merged, backupNote, overwrite))
        return false;
    const int n = m_state.catalogue.scoreCount();
    QString message = QStringLiteral("OK!  ") + m_state.catalogue.title(n) + QStringLiteral("  è nel tuo database!");
    if (merged)
        message += QStringLiteral("\n\nLe modifiche fatte qui sono state unite alla versione sul disco.")
            + renumberedNote(moved, attachedHere);
    if (overwrite)
        message += QStringLiteral("\n\nLa versione che era sul disco è conservata nella copia di sicurezza \"%1\".")
                       .arg(QDir::toNativeSeparators(backupNote));
    m_notifier.inform(message);
    return true;
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
            .arg(QDir::toNativeSeparators(paths::archive())),
        {QStringLiteral("Unisci"), QStringLiteral("Sovrascrivi"), QStringLiteral("Annulla")});
    if (!choice || *choice == 2)
        return std::nullopt;
    if (*choice == 1) {
        overwrite = true;
        return m_state.catalogue;
    }
    // An archive deleted on disk has nothing to merge: what was read is written back.
    ScoreCatalogue theirs;
    if (diskBytes.isNull()) {
        theirs = m_saved;
    } else {
        if (auto error = loadArchiveBytes(theirs, diskBytes, paths::archive())) {
            m_notifier.warn(QStringLiteral("La versione sul disco non si può leggere, quindi non si può unire: %1\n"
                                           "Nulla è stato salvato.")
                                .arg(error->message));
            return std::nullopt;
        }
    }
    try {
        ArchiveMerge merge = mergeEdits(m_saved, m_state.catalogue, theirs);
        bool keepMine = true;
        if (!merge.conflicts.isEmpty()) {
            const auto side = m_notifier.askChoice(
                QStringLiteral("Questi campi sono stati cambiati sia qui sia sul disco:\n\n%1\n\n"
                               "Quale versione vuoi tenere per tutti?")
                    .arg(describeConflicts(merge.conflicts)),
                {QStringLiteral("Tieni le mie"), QStringLiteral("Tieni quelle sul disco"), QStringLiteral("Annulla")});
            if (!side || *side == 2)
                return std::nullopt;
            keepMine = *side == 0;
        }
        merged = true;
        moved = merge.moved;
        return keepMine ? std::move(merge.keepingMine) : std::move(merge.keepingTheirs);
    } catch (const Error &error) {
        m_notifier.warn(error.message + QStringLiteral("\nNulla è stato salvato."));
        return std::nullopt;
    }
}

// The archive about to be replaced is kept first, dated, in spartiti/backup, unless the
// newest backup already holds it; a failed write takes back the backup it made.
bool CatalogueDocument::writeAndReload(const ScoreCatalogue &toWrite, bool forgetHistory, QString &backupNote,
                                       bool backupIsTheirs)
{
    const QString path = paths::archive();
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
    if (auto error = writeArchive(toWrite, path)) {
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
        m_state.catalogue = std::move(reloaded);
        m_saved = m_state.catalogue;
        m_watcher.setKnown(ArchiveFileState::of(path, written));
        updateModified();
    }
    emit saved();
    return true;
}

void CatalogueDocument::restoreBackup()
{
    const QStringList kept = backups::list(paths::archive());
    if (kept.isEmpty()) {
        m_notifier.inform(QStringLiteral("Non ci sono ancora copie di sicurezza: ne viene fatta una a ogni "
                                         "salvataggio, nella cartella spartiti/backup."));
        return;
    }
    QStringList names;
    for (const QString &path : kept)
        names.append(QFileInfo(path).fileName());
    const auto chosen = m_notifier.chooseItem(QStringLiteral("Quale copia dell'archivio vuoi ripristinare?"), names);
    if (!chosen || *chosen < 0 || *chosen >= kept.size())
        return;
    if (!m_notifier.askYesNo(QStringLiteral("Ripristinare %1 al posto dell'archivio attuale? L'archivio attuale "
                                            "viene conservato come copia di sicurezza; le modifiche non "
                                            "salvate andranno perse.")
                                 .arg(names[*chosen])))
        return;
    // The copy is checked before it replaces anything: an unreadable copy changes nothing.
    QByteArray bytes;
    ScoreCatalogue copy;
    std::optional<Error> error = readArchiveBytes(kept[*chosen], bytes);
    if (!error)
        error = loadArchiveBytes(copy, bytes, kept[*chosen]);
    if (error) {
        m_notifier.warn(error->message + QStringLiteral("\nL'archivio non è stato cambiato."));
        return;
    }
    if ((error = backups::restore(kept[*chosen], paths::archive(), QDateTime::currentDateTime()))) {
        m_notifier.warn(error->message);
        return;
    }
    if ((error = load()))
        m_notifier.warn(error->message);
}

void CatalogueDocument::beginAttach(int scoreNumber)
{
    AttachState before;
    for (const QString &path :
         {paths::leftPage(scoreNumber), paths::rightPage(scoreNumber), paths::track(scoreNumber)}) {
        FileState file;
        if (auto error = m_stash.capture(path, file)) {
            // Without a copy aside the attach still goes ahead; it just cannot be undone.
            m_notifier.warn(error->message + QStringLiteral("\nQuesta modifica non si potrà annullare."));
            m_attachBefore.reset();
            return;
        }
        before.files.append(file);
    }
    before.categorySlot = scoreNumber;
    before.category = m_state.catalogue.category(scoreNumber);
    m_attachBefore = std::move(before);
}

void CatalogueDocument::endAttach(int scoreNumber)
{
    std::optional<AttachState> before = std::move(m_attachBefore);
    m_attachBefore.reset();
    if (before && before->categorySlot == scoreNumber) {
        AttachState after;
        after.categorySlot = scoreNumber;
        after.category = m_state.catalogue.category(scoreNumber);
        bool captured = true;
        for (const FileState &old : before->files) {
            FileState now;
            if (auto error = m_stash.capture(old.path, now)) {
                m_notifier.warn(error->message + QStringLiteral("\nQuesta modifica non si potrà annullare."));
                captured = false;
                break;
            }
            after.files.append(now);
            if (old.existed != now.existed || (now.existed && !sameFile(old.keptCopy, now.keptCopy)))
                m_attachedHere.insert(old.path);
        }
        if (captured)
            m_history->push(new AttachCommand(m_state, *this, scoreNumber, std::move(*before), std::move(after)));
    }
    emit filesChanged(scoreNumber);
    updateModified();
}

} // namespace spartiti
