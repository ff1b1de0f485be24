#pragma once

#include "error.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <sys/types.h>

namespace spartiti {

// The call that puts a written file's bytes on disk before it is renamed into place:
// ::fsync, replaceable so that a test can see when it runs and on what.
using SyncFunction = int (*)(int fd);
extern SyncFunction syncFile;

// Writes bytes to path with QSaveFile: the old file stays, byte for byte, until the new
// one is complete and flushed to disk. A file without write permission is refused, as
// the user made it read-only to protect it.
std::optional<Error> replaceFileAtomically(const QString &path, const QByteArray &bytes);

// The same in two steps, for a write that a journal must be able to find after a crash:
// the bytes go to `staged` (a fixed name beside `path`, replaced if there), synced, with
// the permissions of the file they will replace; then `commitStaged` renames them over
// `path` and syncs the folder. The same checks and messages as replaceFileAtomically.
std::optional<Error> writeStaged(const QString &path, const QString &staged, const QByteArray &bytes);
std::optional<Error> commitStaged(const QString &staged, const QString &path);

// Copies source to destination byte for byte, replacing an existing destination only
// once the copy is complete: a failure leaves the old destination as it was. A symbolic
// link standing at the destination is replaced itself, never written through.
// `progress`, when given, hears the bytes copied so far and the source's size after each
// block, on the copying thread; returning false stops the copy with Error::Kind::Cancelled,
// the partial copy removed and the destination untouched.
using CopyProgress = std::function<bool(qint64 copied, qint64 total)>;
std::optional<Error> copyFileAtomically(const QString &source, const QString &destination,
                                        const CopyProgress &progress = {});

// The permissions a new file gets from the user's umask (0666 without its bits), and
// those a file written to replace `path` takes: the replaced file's own when it is a
// regular file, otherwise a new file's.
mode_t newFileMode();
mode_t permissionsForReplacing(const QString &path);

// rename() that never replaces: fails with EEXIST when something stands at `to`.
// RENAME_NOREPLACE where the file system has it, a test just before otherwise.
int renameNoReplace(const QByteArray &from, const QByteArray &to);

} // namespace spartiti
