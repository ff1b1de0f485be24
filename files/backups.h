#pragma once

#include "error.h"

#include <QByteArray>

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

// The copy that holds the archive's bytes after keep(), and whether keep() made it: a
// copy is made only when the newest one holds different bytes, so saves without a
// change do not push the real history out.
struct KeptCopy
{
    QString path;
    bool made = false;
};

// Copies the archive at archivePath into the backup folder under the name for `now`
// (creating that one folder if needed), unless the newest copy already holds the same
// bytes. Nothing is kept when there is no archive yet. Nothing is removed here: the
// caller prunes once the step the copy protects has succeeded, and removes the copy
// it made when that step failed.
std::optional<Error> keep(const QString &archivePath, const QDateTime &now, KeptCopy *kept = nullptr);

// Keeps the newest `keep` distinct copies: older copies of the same bytes go first.
void prune(const QString &archivePath, int keep = Kept);

// The kept copies, newest first.
QStringList list(const QString &archivePath);

// Puts a kept copy back in place of the archive, atomically; the archive it replaces is
// kept first, so that a restore can itself be undone.
std::optional<Error> restore(const QString &backupPath, const QString &archivePath,
                             const QDateTime &now);

} // namespace backups
} // namespace spartiti
