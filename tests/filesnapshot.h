#pragma once

// Every file under the working folder with its bytes, to prove what an attach touched.

#include <QDir>
#include <QFile>
#include <QMap>

namespace filesnapshot {

using FileMap = QMap<QString, QByteArray>;

inline FileMap snapshot()
{
    FileMap files;
    const QDir root(QDir::currentPath());
    const auto filters = QDir::Files | QDir::Hidden | QDir::System | QDir::AllDirs
                         | QDir::NoDotAndDotDot;
    QList<QFileInfo> pending = root.entryInfoList(filters);
    while (!pending.isEmpty()) {
        const QFileInfo info = pending.takeFirst();
        if (info.isDir()) {
            pending.append(QDir(info.filePath()).entryInfoList(filters));
        } else {
            QFile file(info.filePath());
            files.insert(root.relativeFilePath(info.filePath()),
                         file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return files;
}

// The files as they are now, with `written` put over them.
inline FileMap snapshotWith(const FileMap &written)
{
    FileMap files = snapshot();
    for (auto it = written.cbegin(); it != written.cend(); ++it)
        files.insert(it.key(), it.value());
    return files;
}

} // namespace filesnapshot
