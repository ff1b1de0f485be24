#pragma once

#include "archivewatcher.h"
#include "catalogue.h"
#include "editcommands.h"
#include "error.h"
#include "filestash.h"
#include "reorganisation.h"
#include "search.h"

#include <QLockFile>
#include <QSet>
#include <QObject>

#include <memory>
#include <optional>

class QUndoStack;

namespace spartiti {

class Module1;
class Notifier;

// The catalogue as one document that knows its file: the records (in Module1, shared
// with the attachment windows), what the archive held when it was loaded or last saved,
// the one rule for "modified", the undo history with the files kept aside for it, the
// search index, the lock that tells a second editor, and a watch on the file so that
// another program's change is never overwritten silently. Windows are views: they call
// these operations and listen to the signals.
class CatalogueDocument : public QObject, private RecordView
{
    Q_OBJECT

public:
    CatalogueDocument(Module1 &state, Notifier &notifier, QObject *parent = nullptr);
    ~CatalogueDocument() override;

    Module1 &state() { return m_state; }
    const ScoreCatalogue &catalogue() const;
    QUndoStack *history() const { return m_history; }
    ScoreSearch &search() { return m_search; }

    // Takes the catalogue's lock file. When another editor holds it the user is asked
    // whether to open anyway; false means the user chose not to. A lock left by a process
    // that no longer runs is taken over; a folder where no lock can be made opens without.
    // With the lock taken, the undo files left by killed sessions are removed.
    bool acquireLock();
    bool holdsLock() const { return m_lock && m_lock->isLocked(); }

    // Reads the archive into a fresh catalogue that replaces the whole one in memory, and
    // starts a new history. On failure nothing in memory changes.
    std::optional<Error> load();

    // An archive that a text editor re-saved in UTF-8 shows "Ã¨" for "è": asks whether to
    // read it as UTF-8, after a dated backup of the file as it is. The converted values
    // are then edits, written in Windows-1252 by the next save. True when converted.
    bool offerUtf8Conversion();

    bool isModified() const { return m_modified; }
    // Whether another program changed the archive since this editor read or wrote it.
    bool changedOnDisk() const { return m_watcher.changedOnDisk(); }

    // Edits, each one undoable step.
    void setField(int slot, ScoreCatalogue::Field field, const QString &text, int visit);
    // "+": one more counted record after the last one, unless the last has no title yet.
    // `selectorMaximum` and `selectorPosition` are where undo puts the selector back.
    std::optional<Error> addRecord(int selectorMaximum, int selectorPosition);

    // Writes the archive, after a dated backup of the file it replaces. When the file on
    // disk is no longer what this editor read, the user chooses to merge, overwrite
    // (keeping the other version as a backup) or cancel. Reports its outcome through the
    // notifier; true when the archive was written.
    bool save();

    // Puts a backup chosen by the user in place of the archive and loads it; the history
    // starts afresh, as after opening.
    void restoreBackup();

    // Deletes, inserts or moves scores with their files renumbered, as one undoable step
    // that writes the archive itself: the caller saves unsaved edits first. Refused when
    // another program changed the archive. Reports a failure through the notifier; true
    // when done (cataloguedocumentreorganise.cpp).
    bool reorganise(const Reorganisation &operation);

public slots:
    // Around an attach from the picker and track windows: what the attach may replace is
    // kept aside first, so that the attach becomes one undoable step.
    void beginAttach(int scoreNumber);
    void endAttach(int scoreNumber);

signals:
    // The whole catalogue was replaced (opening, restoring, merging).
    void reloaded();
    void saved();
    void modifiedChanged(bool modified);
    void changedOnDiskChanged(bool changed);
    // Files of this score changed (an attach, or its undo).
    void filesChanged(int number);
    // One record's values changed, or the count of records changed at this number (an
    // edit, "+", an attach, or their undo): views of many records update that row only.
    void recordChanged(int number);
    // Records were renumbered or rewritten as a whole (a reorganisation, a conversion),
    // without a new history: views of many records read them all again.
    void recordsReplaced();
    // What undo and redo ask of the view: show a record, set how far the selector goes.
    void recordWanted(int number);
    void recordRangeWanted(int maximum);

private:
    // RecordView, for the undo steps.
    void showRecord(int number) override { emit recordWanted(number); }
    void setRecordRange(int maximum) override { emit recordRangeWanted(maximum); }
    void reportUndoError(const QString &message) override;
    void noteRecordChanged(int number) override { emit recordChanged(number); }

    void updateModified();
    bool runReorganisation(const Reorganisation &operation, Reorganisation &inverse, bool fromHistory);
    // What to write when the file on disk changed: nullopt when the user cancelled.
    std::optional<ScoreCatalogue> settleChangeOnDisk(const QByteArray &diskBytes, bool &merged,
                                                     bool &overwrite, QList<QPair<int, int>> &moved);
    bool writeAndReload(const ScoreCatalogue &toWrite, bool forgetHistory, QString &backupNote,
                        bool backupIsTheirs);
    void adoptLoaded(ScoreCatalogue loaded, const QByteArray &bytes, bool forgetHistory);

    Module1 &m_state;
    Notifier &m_notifier;
    QUndoStack *m_history = nullptr;
    ScoreCatalogue m_saved;
    bool m_modified = false;
    ScoreSearch m_search;
    FileStash m_stash;
    std::optional<AttachState> m_attachBefore;
    // The page and track files this editor wrote since the archive was last read or written.
    QSet<QString> m_attachedHere;
    ArchiveWatcher m_watcher;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace spartiti
