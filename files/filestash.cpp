#include "filestash.h"

#include "atomicfile.h"
#include "cataloguelock.h"
#include "filecause.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace spartiti {

namespace {

// A second name for the file at `from`. A symbolic link is kept as the link itself,
// never followed: what it points to may lie outside the catalogue (a private file, in a
// folder that a sync service shares), and must not be linked into it.
bool hardLink(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    ::unlink(target.constData());
    return ::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), 0) == 0;
}

// Where no hard link can be made: a copy of the file, or a new link with the same target.
std::optional<Error> keepCopy(const QString &from, const QString &to)
{
    const QFileInfo info(from);
    if (!info.isSymLink())
        return copyFileAtomically(from, to);
    ::unlink(QFile::encodeName(to).constData());
    char buffer[4096];
    const ssize_t length = ::readlink(QFile::encodeName(from).constData(), buffer, sizeof buffer - 1);
    if (length < 0 || ::symlink(QByteArray(buffer, length).constData(), QFile::encodeName(to).constData()) != 0)
        return Error{Error::Kind::Io, QStringLiteral("Impossibile conservare \"%1\": %2.")
                                          .arg(QDir::toNativeSeparators(from), fileErrorCause(errno))};
    return std::nullopt;
}

// Whether the session that named a folder `<process id>-<k>-<host>` may still run: it
// runs here, or it is another computer's (a folder that a sync service shares), which
// only that computer can tell.
bool processRuns(const QString &name)
{
    const QString host = name.section(QLatin1Char('-'), 2);
    if (!host.isEmpty() && host != CatalogueLock::hostName())
        return true;
    bool number = false;
    const qint64 pid = name.section(QLatin1Char('-'), 0, 0).toLongLong(&number);
    if (!number || pid <= 0 || pid > INT_MAX)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

FileStash::FileStash(const QString &dataFolder)
    : m_dataFolder(dataFolder)
{
}

FileStash::~FileStash()
{
    if (m_session.isEmpty())
        return;
    QDir(m_session).removeRecursively();
    QDir().rmdir(m_root);   // fails, as it should, while another session keeps files there
}

std::optional<Error> FileStash::capture(const QString &path, FileState &state)
{
    state = FileState{path, false, QString()};
    const QFileInfo info(path);
    // A page or track that is a link counts, whether or not what it points to exists.
    if (!info.isFile() && !info.isSymLink())
        return std::nullopt;
    if (info.isSymLink() && info.isDir())
        return std::nullopt;
    if (m_session.isEmpty()) {
        m_root = QDir(QDir(m_dataFolder).absolutePath()).filePath(folderName());
        static int sessions = 0;
        m_session = QDir(m_root).filePath(
            QStringLiteral("%1-%2-%3").arg(QCoreApplication::applicationPid()).arg(++sessions)
                .arg(CatalogueLock::hostName()));
    }
    if (!QDir().mkpath(m_session))
        return Error{Error::Kind::Io, QStringLiteral("Impossibile creare la cartella \"%1\" per "
                                                     "annullare le modifiche.")
                                          .arg(QDir::toNativeSeparators(m_session))};
    const QString kept = QDir(m_session).filePath(QString::number(++m_next));
    if (!hardLink(path, kept)) {
        if (auto error = keepCopy(path, kept))
            return error;
    }
    state.existed = true;
    state.keptCopy = kept;
    return std::nullopt;
}

std::optional<Error> FileStash::restore(const FileState &state)
{
    if (state.existed) {
        const QString temporary = QFileInfo(state.path).dir().filePath(
            QStringLiteral(".spartiti-ripristino-%1").arg(QCoreApplication::applicationPid()));
        if (!hardLink(state.keptCopy, temporary)) {
            if (auto error = keepCopy(state.keptCopy, temporary))
                return error;
        }
        const QByteArray from = QFile::encodeName(temporary);
        if (std::rename(from.constData(), QFile::encodeName(state.path).constData()) != 0) {
            const int cause = errno;
            ::unlink(from.constData());
            return Error{Error::Kind::Io, QStringLiteral("Impossibile ripristinare \"%1\": %2.")
                                              .arg(QDir::toNativeSeparators(state.path), fileErrorCause(cause))};
        }
        return std::nullopt;
    }
    const QFileInfo info(state.path);
    QFile file(state.path);
    if ((info.exists() || info.isSymLink()) && !info.isDir() && !file.remove())
        return Error{Error::Kind::Io, QStringLiteral("Impossibile rimuovere \"%1\": %2.")
                                          .arg(QDir::toNativeSeparators(state.path), fileErrorCause(file, errno))};
    return std::nullopt;
}

void FileStash::removeLeftovers(const QString &dataFolder)
{
    const QDir root(QDir(dataFolder).filePath(folderName()));
    if (!root.exists())
        return;
    for (const QFileInfo &entry :
         root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (processRuns(entry.fileName()))
            continue;
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
    QDir().rmdir(root.path());
}

} // namespace spartiti
