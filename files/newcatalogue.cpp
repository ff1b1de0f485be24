#include "newcatalogue.h"

#include "archive.h"
#include "atomicfile.h"
#include "catalogue.h"
#include "filecause.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace spartiti {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// The folder the new catalogue goes into exists and has no `spartiti` in it yet.
std::optional<Error> checkTarget(const QString &folder, const QString &data)
{
    if (!QFileInfo(folder).isDir())
        return Error{Error::Kind::PathNotFound,
                     QStringLiteral("Impossibile creare il catalogo: la cartella \"%1\" non esiste.").arg(shown(folder))};
    if (QFileInfo(data).exists() || QFileInfo(data).isSymLink() || CatalogueFolder::of(folder).exists())
        return Error{Error::Kind::Io, QStringLiteral("La cartella \"%1\" contiene già un catalogo (\"%2\"): scegli "
                                                     "un'altra cartella, oppure aprilo con \"Apri catalogo...\".")
                                          .arg(shown(folder), shown(data))};
    return std::nullopt;
}

std::optional<Error> makeFolder(const QString &path)
{
    if (QDir().mkdir(path))
        return std::nullopt;
    return Error{Error::Kind::Io,
                 QStringLiteral("Impossibile creare la cartella \"%1\": %2.").arg(shown(path), fileErrorCause(errno))};
}

// Removes what a failed creation made; only the folder this creation made.
std::optional<Error> undone(const QString &data, const Error &error)
{
    QDir(data).removeRecursively();
    return error;
}

} // namespace

std::optional<Error> createCatalogue(const QString &folder, CatalogueFolder &made)
{
    const QString data = QDir(folder).filePath(QStringLiteral("spartiti"));
    if (auto error = checkTarget(folder, data))
        return error;
    if (auto error = makeFolder(data))
        return error;
    const CatalogueFolder catalogue(data);
    if (auto error = makeFolder(catalogue.audioFolder()))
        return undone(data, *error);
    QByteArray archive;
    ScoreCatalogue empty;
    std::optional<Error> error = encodeArchive(empty, archive);
    if (!error)
        error = replaceFileAtomically(catalogue.archive(), archive);
    if (!error)
        error = copyFileAtomically(QStringLiteral(":/nuovo/generi.js"), catalogue.categoryList());
    if (!error)
        error = copyFileAtomically(QStringLiteral(":/nuovo/m.jpg"), catalogue.placeholderPage());
    if (error)
        return undone(data, *error);
    made = catalogue;
    return std::nullopt;
}

std::optional<Error> copyCatalogue(const CatalogueFolder &source, const QString &folder, CatalogueFolder &made)
{
    const QString data = QDir(folder).filePath(QStringLiteral("spartiti"));
    if (auto error = checkTarget(folder, data))
        return error;
    if (!source.exists())
        return Error{Error::Kind::FileNotFound,
                     QStringLiteral("Il catalogo di esempio non si trova in \"%1\".").arg(shown(source.path()))};
    if (auto error = makeFolder(data))
        return error;
    const QDir from(source.path());
    QDirIterator files(source.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString target = QDir(data).filePath(from.relativeFilePath(path));
        std::optional<Error> error;
        if (files.fileInfo().isDir())
            error = makeFolder(target);
        else
            error = copyFileAtomically(path, target);
        if (error)
            return undone(data, *error);
        // A copy of an installed, read-only file is the user's own and must be writable.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    made = CatalogueFolder(data);
    return std::nullopt;
}

} // namespace spartiti
