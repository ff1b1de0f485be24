#include "filestash.h"

#include "atomicfile.h"
#include "filecause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace spartiti {

std::optional<Error> FileStash::capture(const QString &path, FileState &state)
{
    state = FileState{path, false, QString()};
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    if (!m_dir)
        m_dir = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("spartiti-annulla-XXXXXX")));
    if (!m_dir->isValid())
        return Error{Error::Kind::Io, QStringLiteral("Impossibile creare la cartella temporanea per "
                                                     "annullare le modifiche.")};
    const QString copy = m_dir->filePath(QString::number(++m_next));
    if (auto error = copyFileAtomically(path, copy))
        return error;
    state.existed = true;
    state.keptCopy = copy;
    return std::nullopt;
}

std::optional<Error> FileStash::restore(const FileState &state)
{
    if (state.existed)
        return copyFileAtomically(state.keptCopy, state.path);
    const QFileInfo info(state.path);
    QFile file(state.path);
    if ((info.exists() || info.isSymLink()) && !info.isDir() && !file.remove())
        return Error{Error::Kind::Io, QStringLiteral("Impossibile rimuovere \"%1\": %2.")
                                          .arg(QDir::toNativeSeparators(state.path), fileErrorCause(file, errno))};
    return std::nullopt;
}

} // namespace spartiti
