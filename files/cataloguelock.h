#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace spartiti {

// The lock file that tells a second editor that a catalogue is open: the process id,
// the program and the host name on its first three lines (the layout QLockFile uses).
// Unlike QLockFile it never deletes a lock that is not its own: a sync service may carry
// another computer's lock into the folder, or keep the other computer's lock in place of
// this one, and that lock must stay for its owner.
class CatalogueLock
{
public:
    // Who holds a lock, as its file says.
    struct Holder
    {
        qint64 pid = 0;
        QString host;
        QDateTime since;    // the file's last change: the holder refreshes it while it runs
        bool thisComputer = false;
    };

    // A lock whose holder has not refreshed it for this long is left by an editor that
    // was killed on another computer (a holder refreshes it every RefreshMinutes).
    static constexpr int RefreshMinutes = 10;
    static constexpr int StaleAfterMinutes = 60;

    explicit CatalogueLock(const QString &path);
    ~CatalogueLock();   // releases the lock if it is still this editor's

    enum class Outcome {
        Taken,        // the lock is this editor's now
        Held,         // another editor that runs, here or elsewhere, holds it: `holder` says who
        Unavailable,  // no lock can be made here (a read-only folder)
    };
    // Takes the lock. A lock of a process that no longer runs on this computer, or one
    // that another computer stopped refreshing long ago, is taken over.
    Outcome tryLock();
    const Holder &holder() const { return m_holder; }
    bool isLocked() const { return m_locked; }

    // Keeps the file's time fresh, so that other computers see the holder is alive.
    void refresh();
    // Removes the file, but only while it still names this process on this computer.
    void release();

    static QString hostName();

private:
    bool isOurs() const;
    std::optional<Holder> read() const;

    QString m_path;
    QByteArray m_contents;
    Holder m_holder;
    bool m_locked = false;
};

} // namespace spartiti
