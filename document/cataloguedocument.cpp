#include "cataloguedocument.h"

#include "archive.h"
#include "backups.h"
#include "notifier.h"
#include "cataloguefolder.h"
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

} // namespace

CatalogueDocument::CatalogueDocument(const CatalogueFolder &folder, Module1 &state, Notifier &notifier,
                                     QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_state(state)
    , m_notifier(notifier)
    , m_history(new QUndoStack(this))
    , m_search(m_catalogue)
    , m_stash(folder.path())
{
    setObjectName(QStringLiteral("catalogueDocument"));
    connect(m_history, &QUndoStack::indexChanged, this, &CatalogueDocument::updateModified);
    connect(&m_watcher, &ArchiveWatcher::changedOnDiskChanged, this, &CatalogueDocument::changedOnDiskChanged);
    connect(&m_watcher, &ArchiveWatcher::folderChanged, this, &CatalogueDocument::checkConflictCopies);
    // The lock's time says to editors on other computers that this one is alive.
    m_lockRefresh.setInterval(CatalogueLock::RefreshMinutes * 60 * 1000);
    connect(&m_lockRefresh, &QTimer::timeout, this, [this] {
        if (m_lock)
            m_lock->refresh();
    });
}

CatalogueDocument::~CatalogueDocument()
{
    waitForAttach();
    // The history goes with the children, after the members its steps refer to.
    disconnect(m_history, nullptr, this, nullptr);
    m_history->clear();
}

std::optional<Error> CatalogueDocument::reloadCategoryNames()
{
    CategoryNames names;
    m_categoryNamesRead = true;
    m_categoryListError = readCategoryList(m_folder.categoryList(), names);
    if (!m_categoryListError)
        m_categoryNames = std::move(names);
    return m_categoryListError;
}

QString CatalogueDocument::categoryName(int code)
{
    if (code < 1 || code > ScoreCatalogue::CategoryCount)
        return {};
    if (!m_categoryNamesRead)
        reloadCategoryNames();
    return m_categoryNames[code - 1];
}

std::optional<Error> CatalogueDocument::categoryListError()
{
    if (!m_categoryNamesRead)
        reloadCategoryNames();
    return m_categoryListError;
}

bool CatalogueDocument::acquireLock()
{
    m_lock = std::make_unique<CatalogueLock>(m_folder.lockFile());
    switch (m_lock->tryLock()) {
    case CatalogueLock::Outcome::Taken:
        // No other editor runs on this catalogue now: what a killed one kept for its undo
        // is of no use to anyone.
        FileStash::removeLeftovers(m_folder.path());
        m_lockRefresh.start();
        return true;
    case CatalogueLock::Outcome::Unavailable:
        m_lock.reset();
        return true;   // no lock can be made here (a read-only folder): open without one
    case CatalogueLock::Outcome::Held:
        break;
    }
    const CatalogueLock::Holder holder = m_lock->holder();
    m_lock.reset();
    if (holder.thisComputer)
        return m_notifier.askYesNo(QStringLiteral("L'archivio è già aperto in un'altra finestra (processo %1 su %2). "
                                                  "Aprirlo comunque?")
                                       .arg(holder.pid)
                                       .arg(holder.host));
    // Another computer's editor, seen through a shared or synced folder: its lock stays.
    const qint64 minutes = std::max<qint64>(0, holder.since.secsTo(QDateTime::currentDateTime()) / 60);
    return m_notifier.askYesNo(
        QStringLiteral("L'archivio è aperto sul computer %1 (processo %2), che ha dato segno di vita %3 fa. "
                       "Se lì l'editor è ancora aperto, le modifiche fatte nei due posti andranno unite "
                       "al salvataggio. Aprirlo comunque?")
            .arg(holder.host)
            .arg(holder.pid)
            .arg(minutes < 1 ? QStringLiteral("meno di un minuto")
                             : minutes == 1 ? QStringLiteral("un minuto")
                                            : QStringLiteral("%1 minuti").arg(minutes)));
}

std::optional<Error> CatalogueDocument::load()
{
    QByteArray bytes;
    if (auto error = readArchiveBytes(m_folder.archive(), bytes))
        return error;
    ScoreCatalogue loaded;
    if (auto error = loadArchiveBytes(loaded, bytes, m_folder.archive()))
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
    m_catalogue = std::move(loaded);
    m_saved = m_catalogue;
    m_attachedHere.clear();
    m_watcher.watch(m_folder.archive(), ArchiveFileState::of(m_folder.archive(), bytes));
    updateModified();
    if (forgetHistory)
        emit reloaded();
}

bool CatalogueDocument::offerUtf8Conversion()
{
    QByteArray bytes;
    if (readArchiveBytes(m_folder.archive(), bytes) || !looksLikeUtf8(bytes))
        return false;
    const std::optional<int> answer = m_notifier.askChoice(
        QStringLiteral("L'archivio sembra scritto in UTF-8 (per esempio \"è\" appare come \"Ã¨\"). "
                       "Convertirlo in Windows-1252?"),
        {QStringLiteral("Converti"), QStringLiteral("Lascia così")});
    if (answer != 0)
        return false;
    ScoreCatalogue converted = m_catalogue;
    std::optional<Error> error = loadArchiveBytes(converted, bytes, m_folder.archive(), ArchiveEncoding::Utf8);
    if (!error)
        error = backups::keep(m_folder.archive(), QDateTime::currentDateTime());
    if (error) {
        m_notifier.warn(error->message);
        return false;
    }
    backups::prune(m_folder.archive());
    m_catalogue = std::move(converted);
    updateModified();
    emit recordsReplaced();
    return true;
}

void CatalogueDocument::updateModified()
{
    m_search.invalidate();
    const bool modified = !sameAsSaved(m_catalogue, m_saved);
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
        const QString before = m_catalogue.value(field, slot);
        if (before == text)
            return;
        m_catalogue.setValue(field, slot, text);
        m_history->push(new FieldEditCommand(m_catalogue, *this, slot, field, before, text, visit));
        updateModified();
        emit recordChanged(slot);
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
}

std::optional<Error> CatalogueDocument::addRecord(int selectorMaximum, int selectorPosition)
{
    try {
        const ScoreCatalogue &catalogue = m_catalogue;
        const int count = catalogue.scoreCount();
        // An empty catalogue takes its first record at once; later ones only once the
        // last record has a title.
        if (count > 0 && catalogue.title(count).isEmpty())
            return std::nullopt;
        if (count >= ScoreCatalogue::MaxArchiveRecords)
            return Error{Error::Kind::TooManyRecords, QStringLiteral("L'archivio può contenere al massimo %1 titoli")
                                                          .arg(ScoreCatalogue::MaxArchiveRecords)};
        m_history->push(new NewRecordCommand(m_catalogue, *this, count, selectorMaximum, selectorPosition));
    } catch (const Error &error) {
        return error;
    }
    return std::nullopt;
}

void CatalogueDocument::restoreBackup()
{
    const QStringList kept = backups::list(m_folder.archive());
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
    if ((error = backups::restore(kept[*chosen], m_folder.archive(), QDateTime::currentDateTime()))) {
        m_notifier.warn(error->message);
        return;
    }
    if ((error = load()))
        m_notifier.warn(error->message);
}

} // namespace spartiti
