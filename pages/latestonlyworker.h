#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <memory>
#include <optional>

namespace spartiti {

// Reads files for a window on a worker thread of its own, one at a time, and hands back
// only the answer to the latest request: a file chosen after another makes the earlier
// answer go unheard, and a read still waiting for its turn is skipped. The window never
// waits, and never shows what it read for a file it no longer shows.
class LatestOnlyWorker : public QObject
{
    Q_OBJECT

public:
    explicit LatestOnlyWorker(QObject *parent = nullptr);
    // Waits for a read under way, which may use what the task was given.
    ~LatestOnlyWorker() override;

    // Runs `task` (copied to the worker) and calls `deliver` with its result on this
    // object's thread, unless another request or a cancel came in between.
    template<typename Task, typename Deliver>
    void run(Task task, Deliver deliver)
    {
        using Result = std::invoke_result_t<Task>;
        const quint64 generation = ++*m_generation;
        auto *watcher = new QFutureWatcher<std::optional<Result>>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation, deliver] {
            watcher->deleteLater();
            --m_pending;
            if (generation == *m_generation && watcher->result())
                deliver(*watcher->result());
        });
        ++m_pending;
        watcher->setFuture(QtConcurrent::run(
            &m_pool, [task, current = m_generation, generation]() -> std::optional<Result> {
                if (*current != generation)
                    return std::nullopt;
                return task();
            }));
    }

    // Drops the answer due, if any.
    void cancel() { ++*m_generation; }
    // Requests whose answer, heard or not, has not come back yet.
    int pending() const { return m_pending; }

private:
    // Shared with the tasks, so that a task can see it has been overtaken.
    std::shared_ptr<std::atomic<quint64>> m_generation;
    int m_pending = 0;
    // Last, so that it is destroyed first.
    QThreadPool m_pool;
};

} // namespace spartiti
