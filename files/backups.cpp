#include "backups.h"

#include "archive.h"
#include "atomicfile.h"
#include "filecause.h"

#include <QCryptographicHash>
#include <QSet>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

namespace spartiti::backups {

namespace {

const QRegularExpression &namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^archivio-(\\d{8}-\\d{6})(?:-(\\d+))?\\.js$"));
    return pattern;
}

// Orders names by their date, then by the counter that tells copies of one second apart.
bool newerFirst(const QString &a, const QString &b)
{
    const auto ma = namePattern().match(a);
    const auto mb = namePattern().match(b);
    if (ma.captured(1) != mb.captured(1))
        return ma.captured(1) > mb.captured(1);
    return ma.captured(2).toInt() > mb.captured(2).toInt();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList names(const QDir &dir)
{
    QStringList found;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (namePattern().match(name).hasMatch())
            found.append(name);
    std::sort(found.begin(), found.end(), newerFirst);
    return found;
}

} // namespace

QString folder(const QString &archivePath)
{
    return QFileInfo(archivePath).dir().filePath(QStringLiteral("backup"));
}

std::optional<Error> keep(const QString &archivePath, const QDateTime &now, KeptCopy *kept)
{
    if (!QFileInfo(archivePath).isFile())
        return std::nullopt;
    QByteArray bytes;
    if (auto error = readArchiveBytes(archivePath, bytes))
        return error;
    QDir dir(folder(archivePath));
    const QStringList existing = names(dir);
    if (!existing.isEmpty() && readAll(dir.filePath(existing.first())) == bytes) {
        if (kept)
            *kept = {dir.filePath(existing.first()), false};
        return std::nullopt;
    }
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        return Error{Error::Kind::Io, QStringLiteral("Impossibile creare la cartella delle copie di "
                                                     "sicurezza \"%1\": %2. Nulla è stato salvato.")
                                          .arg(QDir::toNativeSeparators(dir.path()), fileErrorCause(errno))};
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = QStringLiteral("archivio-%1.js").arg(stamp);
    for (int n = 2; dir.exists(name); ++n)
        name = QStringLiteral("archivio-%1-%2.js").arg(stamp).arg(n);
    const QString path = dir.filePath(name);
    if (auto error = replaceFileAtomically(path, bytes))
        return error;
    if (kept)
        *kept = {path, true};
    return std::nullopt;
}

void prune(const QString &archivePath, int keep)
{
    QDir dir(folder(archivePath));
    QSet<QByteArray> seen;
    int kept = 0;
    for (const QString &name : names(dir)) {
        const QByteArray digest =
            QCryptographicHash::hash(readAll(dir.filePath(name)), QCryptographicHash::Sha256);
        if (kept < keep && !seen.contains(digest)) {
            seen.insert(digest);
            ++kept;
        } else {
            dir.remove(name);
        }
    }
}

QStringList list(const QString &archivePath)
{
    const QDir dir(folder(archivePath));
    QStringList paths;
    for (const QString &name : names(dir))
        paths.append(dir.filePath(name));
    return paths;
}

std::optional<Error> restore(const QString &backupPath, const QString &archivePath, const QDateTime &now)
{
    if (!QFileInfo(backupPath).isFile())
        return Error{Error::Kind::FileNotFound, QStringLiteral("La copia di sicurezza \"%1\" non esiste più.")
                                                    .arg(QDir::toNativeSeparators(backupPath))};
    // The copy to restore is read before keeping the current archive, which may prune it.
    QFile source(backupPath);
    if (!source.open(QIODevice::ReadOnly))
        return Error{Error::Kind::Io, QStringLiteral("Impossibile leggere \"%1\": %2.")
                                          .arg(QDir::toNativeSeparators(backupPath), fileErrorCause(source, errno))};
    const QByteArray bytes = source.readAll();
    KeptCopy current;
    if (auto error = keep(archivePath, now, &current))
        return error;
    if (auto error = replaceFileAtomically(archivePath, bytes)) {
        if (current.made)
            QFile::remove(current.path);
        return error;
    }
    prune(archivePath);
    return std::nullopt;
}

} // namespace spartiti::backups
