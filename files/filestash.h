#pragma once

#include "error.h"

#include <QString>

#include <optional>

namespace spartiti {

// What a data file was at one moment: a second name for its bytes kept aside, or the
// fact that it did not exist. Restoring puts that back, so that an attach can be undone.
struct FileState
{
    QString path;
    bool existed = false;
    QString keptCopy;   // inside the stash's folder when existed
};

// The files an attach replaces and the files it wrote, kept in a hidden folder inside the
// data folder, `.annulla/<process id>-<k>-<host>/`, on the same file system.
//
// Keeping a file is a hard link to it: no byte is copied, whatever its size. Every write
// into the data folder makes a new file and renames it over the old name, so the kept
// name goes on holding the bytes it was taken from, while the data file moves on. The
// state before an attach and the state after it are both kept that way, and undo and redo
// move between them any number of times: restoring links the kept file under a temporary
// name beside the data file and renames it over the data file, in one step, and the stash
// keeps its own name for the next time. Where the file system has no hard links the
// bytes are copied instead.
class FileStash
{
public:
    // `dataFolder` is made absolute at the first capture, so that a later change of
    // working folder is harmless.
    explicit FileStash(const QString &dataFolder);
    // Removes this session's folder, and `.annulla` itself once no other session uses it.
    ~FileStash();
    FileStash(const FileStash &) = delete;
    FileStash &operator=(const FileStash &) = delete;

    // Keeps the current state of path aside.
    std::optional<Error> capture(const QString &path, FileState &state);

    // Puts a captured state back in place: the old bytes, or no file at all.
    static std::optional<Error> restore(const FileState &state);

    // Removes what sessions that ended without cleaning up (killed, crashed) left in
    // `dataFolder`'s `.annulla`; a folder of a process still running stays. Only the
    // holder of the catalogue's lock may call this.
    static void removeLeftovers(const QString &dataFolder);

    static QString folderName() { return QStringLiteral(".annulla"); }

private:
    QString m_dataFolder;
    QString m_root;      // <data folder>/.annulla
    QString m_session;   // m_root/<process id>-<k>-<host>, both set and made at the first capture
    int m_next = 0;
};

} // namespace spartiti
