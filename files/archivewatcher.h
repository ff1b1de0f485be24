#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace spartiti {

// What the archive file was at one moment: enough to tell, cheaply, that it may have
// changed (size and time) and, surely, whether its bytes did (their hash).
struct ArchiveFileState
{
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash;

    // The state of the file at path whose bytes were just read as `bytes`.
    static ArchiveFileState of(const QString &path, const QByteArray &bytes);
    // The file as it is now, reading its bytes.
    static ArchiveFileState read(const QString &path);

    bool sameBytes(const ArchiveFileState &other) const
    {
        return exists == other.exists && hash == other.hash;
    }
};

// Watches the archive for changes made by other programs or other editors. Saving
// replaces the file, which drops a watch on the file itself, so the folder is watched
// too and the file's watch is put back after every change.
class ArchiveWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWatcher(QObject *parent = nullptr);

    // Watches path from now on, taking `known` as what this editor knows it holds.
    void watch(const QString &path, const ArchiveFileState &known);
    // What this editor wrote or read last.
    void setKnown(const ArchiveFileState &known);
    const ArchiveFileState &known() const { return m_known; }

    // Whether the file on disk holds other bytes than the known ones; reads the file only
    // when its size or time changed.
    bool recheck();
    bool changedOnDisk() const { return m_changed; }

signals:
    void changedOnDiskChanged(bool changed);
    // Something changed in the archive's folder (a file added, removed or renamed).
    void folderChanged();

private:
    void onPathChanged();

    QFileSystemWatcher m_watcher;
    QString m_path;
    ArchiveFileState m_known;
    bool m_changed = false;
};

} // namespace spartiti
