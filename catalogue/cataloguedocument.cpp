#include "cataloguedocument.h"

#include "archive.h"
#include "backups.h"
#include "module1.h"
#include "notifier.h"
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
