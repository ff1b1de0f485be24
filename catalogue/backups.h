#pragma once

#include "error.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace spartiti {

// Dated copies of the archive, kept in spartiti/backup/ as archivio-YYYYMMDD-HHMMSS.js:
// each save first keeps the file it is about to replace, and only the newest ones stay.
namespace backups {

constexpr int Kept = 20;

QString folder(const QString &archivePath);

// Copies the archive at archivePath into the backup folder under the name for `now`
// (creating that one folder if needed), then removes all but the newest `keep` copies.
// Nothing is kept when there is no archive yet. Returns the copy's path through `kept`.
std::optional<Error> keep(const QString &archivePath, const QDateTime &now, int keep = Kept,
                          QString *kept = nullptr);

// The kept copies, newest first.
QStringList list(const QString &archivePath);

// Puts a kept copy back in place of the archive, atomically; the archive it replaces is
// kept first, so that a restore can itself be undone.
std::optional<Error> restore(const QString &backupPath, const QString &archivePath,
                             const QDateTime &now);

} // namespace backups
} // namespace spartiti
