#pragma once

#include "attachjob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <optional>

class QProgressDialog;
class QThread;
class QWidget;

namespace spartiti {

// Runs an attach's copies on a thread of their own, so that the windows stay responsive
// while a large file is copied. A copy that takes longer than half a second shows a
// progress dialog over its window, with "Annulla": cancelling stops the copy and leaves
// the destination as it was. One copy at a time in the whole program, so that two
// attaches never write the data folder at once.
class AttachRunner : public QObject
{
    Q_OBJECT

public:
    // Called back on the window's thread once the copies are over: the job as it ran and
    // its outcome (Error::Kind::Cancelled when the user stopped it).
    using Done = std::function<void(const AttachJob &job, const std::optional<Error> &error)>;

    explicit AttachRunner(QWidget *window);
    ~AttachRunner() override;

    // Whether a copy runs anywhere in the program, and the answer to an attach meanwhile.
    static bool anyRunning();
    static QString busyMessage();

    // Starts the copies; false, with nothing started, while another copy runs.
    bool start(AttachJob job, Done done);
    // For a window going away: a running copy is cancelled and waited for, and `done` is
    // not called. The destination is then as before, or, when the copy had just
    // completed, the new file without its undo step.
    void stop();

signals:
    void runningChanged(bool running);

private:
    void showProgress();
    void complete();

    QWidget *m_window;
    QThread *m_thread = nullptr;
    QPointer<QProgressDialog> m_dialog;
    QTimer m_poll;
    QElapsedTimer m_clock;
    AttachJob m_job;
    Done m_done;
    std::optional<Error> m_error;
    std::atomic<bool> m_cancelled{false};
    std::atomic<qint64> m_copied{0};
    std::atomic<qint64> m_total{0};
};

} // namespace spartiti
