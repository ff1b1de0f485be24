#include "archivewatcher.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace spartiti {

ArchiveFileState ArchiveFileState::of(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    ArchiveFileState state;
    state.exists = info.isFile();
    state.size = info.size();
    state.modified = info.lastModified();
    state.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return state;
}

ArchiveFileState ArchiveFileState::read(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return of(path, file.readAll());
}

ArchiveWatcher::ArchiveWatcher(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ArchiveWatcher::onPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ArchiveWatcher::onPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ArchiveWatcher::folderChanged);
}

void ArchiveWatcher::watch(const QString &path, const ArchiveFileState &known)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path = path;
    m_watcher.addPath(QFileInfo(path).absolutePath());
    if (QFileInfo(path).isFile())
        m_watcher.addPath(path);
    setKnown(known);
}

void ArchiveWatcher::setKnown(const ArchiveFileState &known)
{
    m_known = known;
    if (m_changed) {
        m_changed = false;
        emit changedOnDiskChanged(false);
    }
}

bool ArchiveWatcher::recheck()
{
    const QFileInfo info(m_path);
    const bool quickSame = info.isFile() == m_known.exists
                           && (!m_known.exists || (info.size() == m_known.size && info.lastModified() == m_known.modified));
    const bool changed = !quickSame && !ArchiveFileState::read(m_path).sameBytes(m_known);
    if (changed != m_changed) {
        m_changed = changed;
        emit changedOnDiskChanged(changed);
    }
    return changed;
}

void ArchiveWatcher::onPathChanged()
{
    if (m_path.isEmpty())
        return;
    // A file replaced by a rename is a new file: the watch on the old one is gone.
    if (QFileInfo(m_path).isFile() && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
    recheck();
}

} // namespace spartiti
