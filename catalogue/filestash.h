#pragma once

#include "error.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace spartiti {

// What a data file was at one moment: a copy of its bytes kept aside, or the fact that
// it did not exist. Restoring puts that back, so that an attach can be undone.
struct FileState
{
    QString path;
    bool existed = false;
    QString keptCopy;   // inside the stash's folder when existed
};

// A folder under the system's temporary folder, for this session only, that keeps the
// files an attach replaces. It disappears with the session.
class FileStash
{
public:

    // Keeps the current state of path aside.
    std::optional<Error> capture(const QString &path, FileState &state);

    // Puts a captured state back in place: the old bytes, or no file at all.
    static std::optional<Error> restore(const FileState &state);

private:
    // Made on first use, so that a session without attaches leaves nothing behind.
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_next = 0;
};

} // namespace spartiti
