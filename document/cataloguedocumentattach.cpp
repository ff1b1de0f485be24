// The document's attach: the files the attach may replace kept aside, the copies on a
// thread of their own, then the category of a track, the undo step and the outcome, which
// every attach reaches exactly once, whether it was done, failed or was cancelled.

#include "cataloguedocument.h"

#include "notifier.h"
#include "scorefilemoves.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QUndoStack>

#include <sys/stat.h>

namespace spartiti {

namespace {

// Whether two names are links to one file: the attach wrote no new file there.
bool sameFile(const QString &a, const QString &b)
{
    struct stat one, other;
    return ::lstat(QFile::encodeName(a).constData(), &one) == 0 && ::lstat(QFile::encodeName(b).constData(), &other) == 0
        && one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Who a file is: inode, size and time of its last change (of the link itself for a
// link); empty when there is none.
QByteArray identity(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(qulonglong(st.st_ino)) + ':' + QByteArray::number(qlonglong(st.st_size)) + ':'
        + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

} // namespace

void CatalogueDocument::noteFilesSeen(int number)
{
    for (const QString &path : {m_folder.leftPage(number), m_folder.rightPage(number), m_folder.track(number)})
        m_filesSeen.insert(path, identity(path));
}

QString CatalogueDocument::attachBusyMessage()
{
    return QStringLiteral("È in corso la copia di un file: attendi che finisca, poi riprova.");
}

std::optional<Error> CatalogueDocument::startAttach(ScoreFile kind, int number, const QString &chosenPath,
                                                    int categoryCode, QObject *requester, bool replaceOthers)
{
    if (attachRunning())
        return Error{Error::Kind::Io, attachBusyMessage()};
    AttachJob job;
    if (auto error = AttachJob::prepare(kind, m_folder, number, chosenPath, categoryCode, job))
        return error;
    // A file that appeared under this number since the user last saw the score belongs to
    // someone else: another editor that gave its new score the same number.
    const QString destination = kind == ScoreFile::LeftPage ? m_folder.leftPage(number)
        : kind == ScoreFile::RightPage                      ? m_folder.rightPage(number)
                                                                  : m_folder.track(number);
    const QByteArray now = identity(destination);
    if (!replaceOthers && !now.isEmpty() && !m_attachedHere.contains(destination)
        && m_filesSeen.value(destination) != now)
        return Error{Error::Kind::NeedsConfirmation,
                     QStringLiteral("Lo spartito %1 ha già il file \"%2\", che questo editor non ha scritto né "
                                    "mostrato: forse l'ha allegato un altro editor, a uno spartito che ha lo stesso "
                                    "numero. Sostituirlo? (Resta fra i file da annullare fino alla chiusura.)")
                         .arg(number)
                         .arg(QDir::toNativeSeparators(destination))};
    beginAttach(number);
    m_attachJob = std::move(job);
    m_attachRequester = requester;
    m_attachError.reset();
    m_attachCancelled = false;
    m_attachCopied = 0;
    m_attachTotal = 0;
    // The thread touches only the job, its error and the atomics until it ends; this
    // thread reads them again only after the thread's finished().
    m_attachThread = QThread::create([this] {
        m_attachError = m_attachJob.run([this](qint64 copied, qint64 total) {
            m_attachCopied = copied;
            m_attachTotal = total;
            return !m_attachCancelled;
        });
    });
    connect(m_attachThread, &QThread::finished, this, &CatalogueDocument::completeAttach);
    m_attachThread->start();
    emit attachRunningChanged(true);
    return std::nullopt;
}

void CatalogueDocument::completeAttach()
{
    if (!m_attachThread)
        return;
    m_attachThread->wait();
    m_attachThread->deleteLater();
    m_attachThread = nullptr;
    const AttachJob job = m_attachJob;
    const std::optional<Error> error = m_attachError;
    // The category changes with the track in place, so one click attaches both or nothing.
    if (job.succeeded() && job.kind() == ScoreFile::Track) {
        try {
            m_catalogue.setValue(ScoreCatalogue::Field::Category, job.scoreNumber(),
                                 QString::number(job.categoryCode()));
        } catch (const Error &) {
            // prepare() checked the score's slot
        }
    }
    if (job.filesWritten())
        endAttach(job.scoreNumber());
    else
        m_attachBefore.reset();
    emit attachRunningChanged(false);
    emit attachFinished(m_attachRequester.data(), job.scoreNumber(), error);
}

// At the end of the program a copy still running is stopped and waited for: its partial
// file goes, the destination stays as it was.
void CatalogueDocument::waitForAttach()
{
    if (!m_attachThread)
        return;
    m_attachCancelled = true;
    m_attachThread->wait();
    delete m_attachThread;
    m_attachThread = nullptr;
}

void CatalogueDocument::beginAttach(int scoreNumber)
{
    AttachState before;
    for (const QString &path :
         {m_folder.leftPage(scoreNumber), m_folder.rightPage(scoreNumber), m_folder.track(scoreNumber)}) {
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
    before.category = m_catalogue.category(scoreNumber);
    m_attachBefore = std::move(before);
}

void CatalogueDocument::endAttach(int scoreNumber)
{
    std::optional<AttachState> before = std::move(m_attachBefore);
    m_attachBefore.reset();
    if (before && before->categorySlot == scoreNumber) {
        AttachState after;
        after.categorySlot = scoreNumber;
        after.category = m_catalogue.category(scoreNumber);
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
                m_attachedHere.insert(old.path, inodeOf(old.path));
        }
        if (captured)
            m_history->push(new AttachCommand(m_catalogue, *this, scoreNumber, std::move(*before), std::move(after)));
    }
    emit filesChanged(scoreNumber);
    updateModified();
}


} // namespace spartiti
