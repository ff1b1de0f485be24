#pragma once

#include "error.h"

#include <QString>

#include <optional>

namespace spartiti {

// A catalogue kept in a folder that a sync service shares between computers, recognised
// by the service's own marker files in the folder or above it: Syncthing's `.stfolder`,
// Dropbox's `.dropbox`, Nextcloud's and ownCloud's `.sync_*.db` or `.owncloudsync.log`.
struct SyncFolder
{
    QString service;   // "Syncthing", "Dropbox", "Nextcloud"; empty when none was found
    QString root;      // the shared folder that holds the marker

    static SyncFolder of(const QString &dataFolder);
};

// What belongs to this computer alone and should not travel: the lock, the undo folder,
// the dated backups and a reorganisation's journal. Added to Syncthing's rule file
// `.stignore` in the shared folder's root (created if missing, its own lines kept); true
// when the rules are there afterwards. Only Syncthing reads its rules from the folder.
std::optional<Error> keepLocalStateOutOfSync(const SyncFolder &sync, const QString &dataFolder);
bool localStateIgnored(const SyncFolder &sync, const QString &dataFolder);

} // namespace spartiti
