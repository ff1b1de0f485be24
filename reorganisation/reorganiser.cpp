#include "reorganiser.h"

#include "archive.h"
#include "atomicfile.h"
#include "filecause.h"
#include "reorganisationjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace spartiti {

namespace {

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        syncFile(fd);
        ::close(fd);
    }
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// Writes `bytes` to `path`, replacing what is there, and syncs them; false with errno set
// on failure.
bool writeSynced(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
           && file.write(bytes) == bytes.size() && syncFile(file.handle()) == 0;
}

// Where the journal is written before it takes its name, so that it appears whole or
// not at all. A fixed name, so that one left by a crash is found and removed.
QString stagedJournal(const QString &dataFolder)
{
    return journal::path(dataFolder) + QStringLiteral(".nuovo");
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// One reorganisation on disk. Every step looks at the disk before it acts, so that
// running it again after a crash picks up where the crash left it.
class Transaction
{
public:
    Transaction(const QString &dataFolder, const ReorganisationSteps &steps)
        : m_root(dataFolder), m_steps(steps), m_journal(journal::path(dataFolder))
    {
    }

    qint64 bodySize = 0;   // the journal's bytes before the second-phase mark
    bool inSecondPhase = false;
    int stopAfter = -1;

    QString full(const QString &relative) const
    {
        return relative.isEmpty() ? m_root : m_root + QLatin1Char('/') + relative;
    }

    bool exists(const QString &relative) const
    {
        struct stat st;
        return ::lstat(QFile::encodeName(full(relative)).constData(), &st) == 0;
    }

    std::optional<Error> writeJournal()
    {
        const QByteArray bytes = journal::encode(m_steps);
        bodySize = bytes.size();
        const QString staged = stagedJournal(m_root);
        if (!writeSynced(staged, bytes)
            || renameNoReplace(QFile::encodeName(staged), QFile::encodeName(m_journal)) != 0) {
            const int code = errno;
            QFile::remove(staged);
            return Error{Error::Kind::Io, QStringLiteral("Impossibile salvare \"%1\": %2.")
                                              .arg(shown(m_journal), fileErrorCause(code))};
        }
        syncFolder(m_root);
        return std::nullopt;
    }

    // The dated folder and its note, made again if missing.
    std::optional<Error> prepare()
    {
        if (m_steps.createdFolder.isEmpty())
            return std::nullopt;
        if (!QDir().mkpath(full(m_steps.createdFolder)))
            return failure(m_steps.createdFolder, errno);
        // Written in place, with no temporary file beside it, so that undoing leaves the
        // folder empty enough to go; a note cut short is written whole again.
        QFile note(full(m_steps.notePath));
        if (!note.open(QIODevice::WriteOnly | QIODevice::Truncate) || note.write(m_steps.note) != m_steps.note.size()
            || !note.flush() || syncFile(note.handle()) != 0)
            return failure(m_steps.notePath, errno);
        return std::nullopt;
    }

    std::optional<Error> firstPhase()
    {
        for (const FileMove &move : m_steps.moves)
            if (!exists(move.temporary))
                if (auto error = rename(move.from, move.temporary))
                    return error;
        syncFolders();
        return markSecondPhase();
    }

    std::optional<Error> secondPhase()
    {
        for (const FileMove &move : m_steps.moves)
            if (exists(move.temporary))
                if (auto error = rename(move.temporary, move.to))
                    return error;
        syncFolders();
        return std::nullopt;
    }

    // The archive last, then what a restore leaves behind, then the journal.
    std::optional<Error> finish()
    {
        if (auto error = replaceArchive())
            return error;
        for (const QString &removed : m_steps.removedAfter) {
            if (interrupted())
                return stopped();
            ::remove(QFile::encodeName(full(removed)).constData());
        }
        syncFolder(full(QStringLiteral("eliminati")));
        syncFolder(m_root);
        if (interrupted())
            return stopped();
        QFile::remove(m_journal);
        syncFolder(m_root);
        return std::nullopt;
    }

    // What stops the plan from being finished from where it stands, one line per file.
    QStringList blockers() const
    {
        QStringList found;
        QSet<QString> vacated;
        for (const FileMove &move : m_steps.moves)
            vacated.insert(move.from);
        for (const FileMove &move : m_steps.moves) {
            const bool parked = exists(move.temporary);
            if (!inSecondPhase) {
                const bool there = exists(move.from);
                if (parked == there)
                    found.append(QStringLiteral("\"%1\" %2").arg(shown(full(move.from)), there ? QStringLiteral("è comparso di nuovo") : QStringLiteral("manca")));
                else if (exists(move.to) && !vacated.contains(move.to))
                    found.append(QStringLiteral("\"%1\" è occupato da un altro file").arg(shown(full(move.to))));
            } else if (parked == exists(move.to)) {
                found.append(parked ? QStringLiteral("\"%1\" è occupato da un altro file").arg(shown(full(move.to)))
                                    : QStringLiteral("\"%1\" manca").arg(shown(full(move.to))));
            }
        }
        return found;
    }

    // Puts every file back under its old name and removes what the plan made; returns
    // what could not be put back.
    QStringList rollBack()
    {
        QStringList left;
        stopAfter = -1;
        if (inSecondPhase) {
            for (auto move = m_steps.moves.crbegin(); move != m_steps.moves.crend(); ++move)
                if (!exists(move->temporary) && exists(move->to) && rename(move->to, move->temporary))
                    left.append(move->to);
        }
        for (auto move = m_steps.moves.crbegin(); move != m_steps.moves.crend(); ++move) {
            if (exists(move->temporary)) {
                if (rename(move->temporary, move->from))
                    left.append(move->from);
            } else if (!exists(move->from)) {
                left.append(move->from);
            }
        }
        if (!m_steps.createdFolder.isEmpty()) {
            QFile::remove(full(m_steps.notePath));
            QDir(m_root).rmdir(m_steps.createdFolder);
            QDir(m_root).rmdir(QStringLiteral("eliminati"));
        }
        QFile::remove(full(stagedArchive()));
        syncFolders();
        QFile::remove(m_journal);
        syncFolder(m_root);
        return left;
    }

private:
    Error failure(const QString &relative, int code) const
    {
        return {Error::Kind::Io,
                QStringLiteral("Impossibile rinominare \"%1\": %2.").arg(shown(full(relative)), fileErrorCause(code))};
    }

    // Counts one step towards `stopAfter`; true once the steps allowed are used up.
    bool interrupted()
    {
        if (stopAfter == 0)
            return true;
        if (stopAfter > 0)
            --stopAfter;
        return false;
    }

    static Error stopped() { return {Error::Kind::Io, QStringLiteral("Interrotto.")}; }

    std::optional<Error> rename(const QString &from, const QString &to)
    {
        if (interrupted())
            return stopped();
        if (renameNoReplace(QFile::encodeName(full(from)), QFile::encodeName(full(to))) != 0)
            return failure(from, errno);
        return std::nullopt;
    }

    // Where the new archive is written before it replaces the old one. Its name comes
    // from the journal, so a run cut short between writing and renaming leaves nothing
    // that the next run does not overwrite, rename or remove; a randomly named
    // temporary file would stay behind for good.
    QString stagedArchive() const
    {
        return QStringLiteral(".riordino-%1-archivio").arg(m_steps.id);
    }

    // Written by the archive's one writer, under a name the journal knows.
    std::optional<Error> replaceArchive()
    {
        const QString archive = full(QStringLiteral("archivio.js"));
        const QString staged = full(stagedArchive());
        if (auto error = writeStaged(archive, staged, m_steps.newArchive))
            return error;
        if (interrupted())
            return stopped();
        return commitStaged(staged, archive);
    }

    std::optional<Error> markSecondPhase()
    {
        QFile file(m_journal);
        if (bodySize <= 0 || !file.open(QIODevice::ReadWrite) || !file.resize(bodySize) || !file.seek(bodySize))
            return Error{Error::Kind::Io, QStringLiteral("\"%1\": %2").arg(m_journal, file.errorString())};
        const QByteArray mark = journal::secondPhaseMark();
        if (file.write(mark) != mark.size() || !file.flush() || syncFile(file.handle()) != 0)
            return failure(QStringLiteral("riordino-in-corso.txt"), errno);
        inSecondPhase = true;
        return std::nullopt;
    }

    void syncFolders() const
    {
        QSet<QString> folders{QString()};
        for (const FileMove &move : m_steps.moves) {
            folders.insert(folderOf(move.from));
            folders.insert(folderOf(move.to));
        }
        for (const QString &folder : folders)
            syncFolder(full(folder));
    }

    QString m_root;
    const ReorganisationSteps &m_steps;
    QString m_journal;
};

} // namespace

std::optional<Error> applyReorganisation(const QString &dataFolder, const ReorganisationSteps &steps,
                                         int stopAfterSteps)
{
    const auto failed = [&](const Error &cause, const QStringList &left) {
        QString text = QStringLiteral("Impossibile completare l'operazione (%1). %2")
                           .arg(steps.description, cause.message);
        if (left.isEmpty())
            text += QStringLiteral(" Nulla è cambiato.");
        else
            text += QStringLiteral(" Non è stato possibile rimettere a posto: %1.")
                        .arg(left.join(QStringLiteral(", ")));
        return Error{cause.kind, text};
    };
    if (QFileInfo::exists(journal::path(dataFolder)))
        return Error{Error::Kind::Io,
                     QStringLiteral("Impossibile completare l'operazione (%1): c'è già un riordino in "
                                    "corso (\"%2\"). Chiudi e riapri l'editor per portarlo a termine.")
                         .arg(steps.description, shown(journal::path(dataFolder)))};
    Transaction run(dataFolder, steps);
    run.stopAfter = stopAfterSteps;
    if (auto error = run.writeJournal())
        return failed(*error, {});
    if (auto error = run.prepare(); error || (error = run.firstPhase())) {
        if (stopAfterSteps >= 0)
            return error;
        return failed(*error, run.rollBack());
    }
    if (auto error = run.secondPhase(); error || (error = run.finish())) {
        if (stopAfterSteps >= 0)
            return error;
        return failed(*error, run.rollBack());
    }
    return std::nullopt;
}

std::optional<Error> reorganise(ScoreCatalogue &catalogue, const QString &dataFolder,
                                const Reorganisation &operation, const QDateTime &now,
                                ReorganisationPlan *plan)
{
    ReorganisationPlan planned;
    auto after = std::make_unique<ScoreCatalogue>();
    const QSet<QString> names = listDataFolder(
        dataFolder, operation.kind == Reorganisation::Kind::Restore || operation.kind == Reorganisation::Kind::Import
                        ? operation.folder
                        : QString());
    if (auto error = planReorganisation(catalogue, names, operation, now, planned, *after))
        return error;
    if (auto error = applyReorganisation(dataFolder, planned.steps))
        return error;
    catalogue = *after;
    if (plan)
        *plan = std::move(planned);
    return std::nullopt;
}

std::optional<Error> recoverReorganisation(const QString &dataFolder, QString &report)
{
    report.clear();
    // A journal cut short while it was written: nothing had been done yet.
    QFile::remove(stagedJournal(dataFolder));
    const QString path = journal::path(dataFolder);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QFile file(path);
    journal::Contents contents;
    QString reason;
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!journal::decode(bytes, contents, reason) || !journal::onlyCatalogueFiles(contents.steps, dataFolder, reason))
        return Error{Error::Kind::Io,
                     QStringLiteral("Il file \"%1\" di un riordino interrotto è danneggiato (%2): non è "
                                    "stato rinominato nessun file. Controlla i file della cartella "
                                    "spartiti, poi sposta altrove quel file per aprire l'archivio.")
                         .arg(shown(path), reason)};

    Transaction run(dataFolder, contents.steps);
    // A torn mark is not the mark: it is cut off before the mark is written whole.
    run.bodySize = contents.secondPhase ? bytes.size() - journal::secondPhaseMark().size()
                                        : bytes.lastIndexOf('\n') + 1;
    run.inSecondPhase = contents.secondPhase;
    const QString what = contents.steps.description;
    QStringList blockers = run.blockers();
    if (blockers.isEmpty()) {
        std::optional<Error> error;
        if (!contents.secondPhase && !(error = run.prepare()))
            error = run.firstPhase();
        if (!error && !(error = run.secondPhase()))
            error = run.finish();
        if (!error) {
            report = QStringLiteral("Un riordino dell'archivio era rimasto interrotto (%1): è stato "
                                    "portato a termine, e ogni spartito ha i suoi file.")
                         .arg(what);
            return std::nullopt;
        }
        blockers.append(error->message.chopped(error->message.endsWith(QLatin1Char('.')) ? 1 : 0));
    }
    const QStringList left = run.rollBack();
    report = QStringLiteral("Un riordino dell'archivio era rimasto interrotto (%1) e non si poteva "
                            "portare a termine: %2. È stato annullato")
                 .arg(what, blockers.join(QStringLiteral("; ")));
    report += left.isEmpty() ? QStringLiteral(": l'archivio e i file sono come prima.")
                             : QStringLiteral(", ma questi file non si sono potuti rimettere a posto: %1.")
                                   .arg(left.join(QStringLiteral(", ")));
    return std::nullopt;
}

} // namespace spartiti
