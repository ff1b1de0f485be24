#include "atomicfile.h"

#include "filecause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spartiti {

SyncFunction syncFile = ::fsync;

mode_t newFileMode()
{
    // umask() can only be read by setting it, which would race with other threads: the
    // kernel reports it in /proc instead.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            bool ok = false;
            const uint mask = line.startsWith("Umask:") ? line.mid(6).trimmed().toUInt(&ok, 8) : 0;
            if (ok)
                return mode_t(0666 & ~mask);
        }
    }
    return 0644;
}

mode_t permissionsForReplacing(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    return newFileMode();
}

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

Error ioError(const QString &what, const QString &path, const QString &reason)
{
    return {Error::Kind::Io, QStringLiteral("%1 \"%2\": %3.").arg(what, shown(path), reason)};
}

std::optional<Error> checkDestination(const QString &path, const QString &what)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.dir().path());
    if (!folder.isDir())
        return Error{Error::Kind::PathNotFound,
                     QStringLiteral("%1 \"%2\": la cartella \"%3\" non esiste.")
                         .arg(what, shown(path), shown(folder.filePath()))};
    if (info.isDir() && !info.isSymLink())
        return ioError(what, path, QStringLiteral("al suo posto c'è una cartella"));
    return std::nullopt;
}

// Checked on the permission bits rather than with access(), which always grants root: a
// file the user made read-only is not replaced behind their back.
std::optional<Error> checkReplaceable(const QString &path, const QString &what)
{
    if (auto error = checkDestination(path, what))
        return error;
    const QFileInfo info(path);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        return ioError(what, path, QStringLiteral("il file è di sola lettura"));
    return std::nullopt;
}

void syncFolderOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        syncFile(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<Error> writeStaged(const QString &path, const QString &staged, const QByteArray &bytes)
{
    const QString what = QStringLiteral("Impossibile salvare");
    if (auto error = checkReplaceable(path, what))
        return error;
    QFile file(staged);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return ioError(what, path, fileErrorCause(file, errno));
    if (file.write(bytes) != bytes.size() || syncFile(file.handle()) != 0) {
        const QString reason = fileErrorCause(file, errno);
        file.close();
        QFile::remove(staged);
        return ioError(what, path, reason);
    }
    file.close();
    const QFileInfo info(path);
    if (info.exists())
        QFile::setPermissions(staged, info.permissions());
    return std::nullopt;
}

std::optional<Error> commitStaged(const QString &staged, const QString &path)
{
    // The one rename that replaces a file: the whole new file, in one step.
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) != 0)
        return ioError(QStringLiteral("Impossibile salvare"), path, fileErrorCause(errno));
    syncFolderOf(path);
    return std::nullopt;
}

std::optional<Error> replaceFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QString what = QStringLiteral("Impossibile salvare");
    if (auto error = checkReplaceable(path, what))
        return error;

    QSaveFile file(path);
    // Unbuffered, and synced here: QSaveFile::commit() ignores a failure of its own final
    // flush and fsync, and would rename a truncated file (a full disk, a quota) over the
    // archive. So every byte must be on disk before commit() is called.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return ioError(what, path, fileErrorCause(file, errno));
    if (file.write(bytes) != bytes.size() || syncFile(file.handle()) != 0) {
        const QString reason = fileErrorCause(file, errno);
        file.cancelWriting();
        return ioError(what, path, reason);
    }
    if (!file.commit())
        return ioError(what, path, fileErrorCause(file, errno));
    // The rename itself reaches the disk only with its folder.
    syncFolderOf(path);
    return std::nullopt;
}

std::optional<Error> copyFileAtomically(const QString &source, const QString &destination,
                                        const CopyProgress &progress)
{
    const QString what = QStringLiteral("Impossibile copiare in");
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.exists())
        return Error{Error::Kind::FileNotFound,
                     QStringLiteral("Impossibile copiare \"%1\": il file non esiste.").arg(shown(source))};
    if (!sourceInfo.isFile())
        return Error{Error::Kind::Io,
                     QStringLiteral("Impossibile copiare \"%1\": non è un file.").arg(shown(source))};
    if (auto error = checkDestination(destination, what))
        return error;

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Error{Error::Kind::Io, QStringLiteral("Impossibile leggere \"%1\": %2.")
                                          .arg(shown(source), fileErrorCause(in, errno))};

    QTemporaryFile out(QFileInfo(destination).dir().filePath(QStringLiteral(".spartiti-copia-XXXXXX")));
    if (!out.open())
        return ioError(what, destination, fileErrorCause(out, errno));

    // The temporary file removes itself on every early return, a cancel included.
    const qint64 total = in.size();
    qint64 copied = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (progress && !progress(copied, total))
            return Error{Error::Kind::Cancelled,
                         QStringLiteral("La copia di \"%1\" è stata annullata.").arg(shown(source))};
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0)
            return Error{Error::Kind::Io, QStringLiteral("Impossibile leggere \"%1\": %2.")
                                              .arg(shown(source), fileErrorCause(in, errno))};
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got)
            return ioError(what, destination, fileErrorCause(out, errno));
        copied += got;
    }
    if (!out.flush() || syncFile(out.handle()) != 0)
        return ioError(what, destination, fileErrorCause(out, errno));
    // The sync of a large file can take long: a cancel pressed meanwhile still counts.
    if (progress && !progress(copied, total))
        return Error{Error::Kind::Cancelled,
                     QStringLiteral("La copia di \"%1\" è stata annullata.").arg(shown(source))};
    // The temporary file is private (0600); the copy takes the permissions of the file it
    // replaces, or those the user gives new files, so that whoever shares the folder (a
    // group, a web server) reads it as the files beside it.
    if (::fchmod(out.handle(), permissionsForReplacing(destination)) != 0)
        return ioError(what, destination, fileErrorCause(errno));

    // rename() replaces the destination in one step, and replaces a symbolic link
    // itself instead of writing into the file it points to.
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(destination);
    if (std::rename(from.constData(), to.constData()) != 0)
        return ioError(what, destination, fileErrorCause(errno));
    out.setAutoRemove(false);
    syncFolderOf(destination);
    return std::nullopt;
}

int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat st;
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return std::rename(from.constData(), to.constData());
}

} // namespace spartiti
