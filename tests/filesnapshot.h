#pragma once

// Everything under a folder but the undo files: files with their bytes, folders and links
// marked as such, named relative to the folder, to prove what an attach or a failure
// touched.

#include <QDir>
#include <QMap>

namespace filesnapshot {

using FileMap = QMap<QString, QByteArray>;

inline FileMap snapshot(const QString &folder)
{
    FileMap files;
    const QDir root(folder);
    const auto filters = QDir::Files | QDir::Hidden | QDir::System | QDir::AllDirs
                         | QDir::NoDotAndDotDot;
    QList<QFileInfo> pending = root.entryInfoList(filters);
    while (!pending.isEmpty()) {
        const QFileInfo info = pending.takeFirst();
        const QString name = root.relativeFilePath(info.filePath());
        if (name == QLatin1String("spartiti/.annulla"))
            continue;   // the editor's undo files, proven by the history tests
        if (info.isSymLink()) {
            files.insert(name, "<link " + info.symLinkTarget().toUtf8() + ">");
        } else if (info.isDir()) {
            files.insert(name, "<folder>");
            pending.append(QDir(info.filePath()).entryInfoList(filters));
        } else if (!info.isFile()) {
            files.insert(name, "<not a file>");   // a FIFO would block the read
        } else {
            QFile file(info.filePath());
            files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return files;
}

// The files as they are now, with `written` put over them.
inline FileMap snapshotWith(const QString &folder, const FileMap &written)
{
    FileMap files = snapshot(folder);
    for (auto it = written.cbegin(); it != written.cend(); ++it)
        files.insert(it.key(), it.value());
    return files;
}

} // namespace filesnapshot
