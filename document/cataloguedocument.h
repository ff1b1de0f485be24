#pragma once

#include "archivewatcher.h"
#include "attachjob.h"
#include "catalogue.h"
#include "cataloguelock.h"
#include "cataloguefolder.h"
#include "categorylist.h"
#include "editcommands.h"
#include "error.h"
#include "filestash.h"
#include "reorganisation.h"
#include "search.h"
#include "syncfolder.h"

#include <QTimer>
#include <QPointer>
#include <QSet>
#include <QObject>

#include <atomic>
#include <memory>
#include <optional>

class QThread;
class QUndoStack;

namespace spartiti {

class Module1;
class Notifier;

// One catalogue as a document that knows its folder and its file: the records, the
// category names, what the archive held when it was loaded or last saved,
// the one rule for "modified", the undo history with the files kept aside for it, the
// search index, the lock that tells a second editor, and a watch on the file so that
// another program's change is never overwritten silently. Windows are views: they call
// these operations and listen to the signals.
class CatalogueDocument : public QObject, private RecordView
{
    Q_OBJECT

public:
    // `folder` is the catalogue's data folder; every file the document reads or writes
    // lies in it.
    CatalogueDocument(const CatalogueFolder &folder, Module1 &state, Notifier &notifier,
                      QObject *parent = nullptr);
    ~CatalogueDocument() override;

    const CatalogueFolder &folder() const { return m_folder; }
    Module1 &state() { return m_state; }
    const ScoreCatalogue &catalogue() const { return m_catalogue; }

    // The category names of generi.js, read on first use. `reloadCategoryNames` reads the
    // file again (the track window, at each creation, shows an edited list); on failure the
    // names read before stay and the error says why.
    std::optional<Error> reloadCategoryNames();
    // The name of category `code` (1..33); empty when the code names none or the list
    // cannot be read (`categoryListError` then says why).
    QString categoryName(int code);
    std::optional<Error> categoryListError();
    QUndoStack *history() const { return m_history; }
    ScoreSearch &search() { return m_search; }

    // Takes the catalogue's lock file. When another editor holds it (here, or on another
    // computer sharing the folder) the user is asked whether to open anyway; false means
    // the user chose not to. A lock left by a process that no longer runs here, or one
    // another computer stopped refreshing long ago, is taken over; a folder where no lock
    // can be made opens without. A lock that is not this editor's is never deleted.
    // With the lock taken, the undo files left by killed sessions are removed.
    bool acquireLock();
    bool holdsLock() const { return m_lock && m_lock->isLocked(); }

    // At opening, before the archive is read: a reorganisation cut short by a crash is
    // finished, or undone when it cannot be (`report` says in Italian what was done, empty
    // when nothing), and pages staged for an import that never got filed go. Refused when
    // another editor holds the lock and a journal is there, as that editor may still be
    // running it; a journal that cannot be trusted stops the opening, nothing renamed.
    std::optional<Error> recoverInterruptedWork(QString &report);

    // A new catalogue in `folder`, empty or a copy of `source` (newcatalogue.h); `made`
    // is where it now is.
    static std::optional<Error> createCatalogue(const QString &folder, CatalogueFolder &made);
    static std::optional<Error> copyCatalogue(const CatalogueFolder &source, const QString &folder,
                                              CatalogueFolder &made);

    // The sync service that shares the catalogue's folder, if any (syncfolder.h), and
    // whether what belongs to this computer alone is kept out of it.
    SyncFolder syncFolder() const;
    bool localStateKeptOutOfSync(const SyncFolder &sync) const;
    std::optional<Error> keepLocalStateOutOfSync(const SyncFolder &sync);

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

    // Copies of the archive that a sync service left beside it (conflictcopies.h). Each
    // save offers to merge them in first; checkConflictCopies() announces the ones not
    // offered yet, for the view to offer them (cataloguedocumentconflicts.cpp).
    QStringList conflictCopies() const;
    void checkConflictCopies();
    // Asks about the conflict copies; those the user wants merged are merged and saved.
    // True when the archive was written.
    bool offerConflictCopies();

    // Puts a backup chosen by the user in place of the archive and loads it; the history
    // starts afresh, as after opening.
    void restoreBackup();

    // Deletes, inserts or moves scores with their files renumbered, as one undoable step
    // that writes the archive itself: the caller saves unsaved edits first. Refused when
    // another program changed the archive. Reports a failure through the notifier; true
    // when done (cataloguedocumentreorganise.cpp).
    bool reorganise(const Reorganisation &operation);
    // Files the pages that stageImport left in `stagingFolder` as `records`, scores
    // `position`, `position` + 1, ...: a reorganisation like the others, so one undoable
    // step (its undo deletes the new scores, their pages going to "eliminati"). On failure
    // the staging folder goes and the notifier says why; true when done.
    bool importStaged(int position, const QList<ArchiveRecord> &records, const QString &stagingFolder);

    // Attaches the file the user chose to score `number`: as its left page (with a fresh
    // placeholder as its right page), its right page, or its track filed under category
    // `categoryCode`. What the attach may replace is kept aside first, so that it becomes
    // one undoable step; the copies run on a thread of their own. Refused at once, with
    // nothing started, while another attach runs or when the choice is not valid;
    // otherwise `attachFinished` says once how it ended (done, failed or cancelled).
    // `requester` is the window that asked, handed back with the outcome.
    // A page or track that this editor neither wrote nor showed for that score (another
    // editor's, arrived through a shared folder) is not replaced unless `replaceOthers`:
    // the attach is refused with Error::Kind::NeedsConfirmation and the question to ask.
    std::optional<Error> startAttach(ScoreFile kind, int number, const QString &chosenPath,
                                     int categoryCode = 0, QObject *requester = nullptr,
                                     bool replaceOthers = false);
    // A view showed the files of this score: they are the ones the user knows.
    void noteFilesSeen(int number);
    // True for a score added here after the archive was last read or written: its number
    // is settled against the disk's only when it is saved.
    bool addedSinceSaved(int number) const;
    // Saves, merging with the archive on disk, so that score `number`, added here, takes
    // the first number after the scores that other editors saved meanwhile; the score on
    // show follows it. Its number afterwards, or nothing when the save did not happen
    // (the user was told why).
    std::optional<int> saveToSettleNumber(int number);
    bool attachRunning() const { return m_attachThread != nullptr; }
    // The running attach: what it copies, and how far it has come.
    QString attachSource() const { return m_attachJob.sourcePath(); }
    QPair<qint64, qint64> attachProgress() const { return {m_attachCopied, m_attachTotal}; }
    QObject *attachRequester() const { return m_attachRequester; }
    // Stops the copy of the chosen file; the attach then ends as cancelled, the score's
    // files as they were.
    void cancelAttach() { m_attachCancelled = true; }
    static QString attachBusyMessage();

signals:
    void attachRunningChanged(bool running);
    // An attach ended: `error` is empty when it was done, of kind Cancelled when the user
    // stopped it. `requester` is the window that asked (nullptr when it has gone).
    void attachFinished(QObject *requester, int number, const std::optional<spartiti::Error> &error);
    // Conflict copies of the archive appeared that the user was not asked about yet.
    void conflictCopiesFound(const QStringList &copies);
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
    // Asks about the conflict copies and merges those the user wants into memory; the
    // ones merged come back, to be shelved once the save has written them.
    QStringList absorbConflictCopies();
    QString shelveConflictCopies(const QStringList &copies);
    bool saveWith(const QStringList &conflicts);
    // `mine`'s edits applied to `theirs`, from the known version closest to `foreign`; a
    // field changed on both sides is asked about (`question` with %1 for the list, one
    // button per side, then "Annulla"). Nothing when the user cancels.
    std::optional<ScoreCatalogue> mergeAsking(const ScoreCatalogue &mine, const ScoreCatalogue &theirs,
                                              const ScoreCatalogue &foreign, const QString &question,
                                              const QStringList &sides, QList<QPair<int, int>> *moved = nullptr);
    void beginAttach(int scoreNumber);
    void endAttach(int scoreNumber);
    void completeAttach();
    void waitForAttach();
    bool runReorganisation(const Reorganisation &operation, Reorganisation &inverse, bool fromHistory);
    // What to write when the file on disk changed: nullopt when the user cancelled.
    std::optional<ScoreCatalogue> settleChangeOnDisk(const QByteArray &diskBytes, bool &merged,
                                                     bool &overwrite, QList<QPair<int, int>> &moved);
    // `withFiles`, when given, are renames that go with the archive in one journal.
    bool writeAndReload(const ScoreCatalogue &toWrite, bool forgetHistory, QString &backupNote,
                        bool backupIsTheirs, ReorganisationSteps *withFiles = nullptr);
    void adoptLoaded(ScoreCatalogue loaded, const QByteArray &bytes, bool forgetHistory);

    CatalogueFolder m_folder;
    Module1 &m_state;
    Notifier &m_notifier;
    ScoreCatalogue m_catalogue;
    CategoryNames m_categoryNames;
    bool m_categoryNamesRead = false;
    std::optional<Error> m_categoryListError;
    QUndoStack *m_history = nullptr;
    ScoreCatalogue m_saved;
    // How the last save renumbered scores added here (old number, new number).
    QList<QPair<int, int>> m_lastSaveMoves;
    bool m_modified = false;
    ScoreSearch m_search;
    FileStash m_stash;
    std::optional<AttachState> m_attachBefore;
    // The page and track files this editor wrote since the archive was last read or written.
    QHash<QString, quint64> m_attachedHere;   // files written here: path, inode
    // What each page or track file was when a view last showed it: inode, size, time.
    QHash<QString, QByteArray> m_filesSeen;
    QThread *m_attachThread = nullptr;
    AttachJob m_attachJob;
    std::optional<Error> m_attachError;
    QPointer<QObject> m_attachRequester;
    std::atomic<bool> m_attachCancelled{false};
    std::atomic<qint64> m_attachCopied{0};
    std::atomic<qint64> m_attachTotal{0};
    ArchiveWatcher m_watcher;
    QSet<QString> m_conflictCopiesOffered;
    std::unique_ptr<CatalogueLock> m_lock;
    QTimer m_lockRefresh;
};

} // namespace spartiti
