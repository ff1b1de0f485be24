#pragma once

#include "cataloguefolder.h"
#include "pageimage.h"
#include "thumbnailstore.h"

#include <QCache>
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace spartiti {

// One version of a page file. The same path with another size or time stamp is another
// picture, so a page replaced on disk is decoded anew instead of coming from the cache.
struct PageKey
{
    QString path;
    qint64 size = -1;
    qint64 modified = 0;   // ms since the epoch
    qint64 changed = 0;    // last status change, which a rename over the file also moves

    bool isValid() const { return size >= 0; }
    friend bool operator==(const PageKey &, const PageKey &) = default;
};

size_t qHash(const PageKey &key, size_t seed = 0);

// Decoded pages sized for the boxes that show them, for the record on show and its
// neighbours. Decoding runs on worker threads; a finished page is announced with
// pageReady, and the window compares its key with the pages it is showing, so a late
// page of a record already left is cached but never shown. The pictures held never
// exceed the budget: the least recently used ones are dropped first.
// Pages come from the desktop's thumbnail folder when it has them; a page decoded
// afresh is shown first, and its thumbnail is written afterwards on a thread of its own.
class PageCache : public QObject
{
    Q_OBJECT

public:
    // About 115 pages of 201 x 353: the neighbours of a few dozen records.
    static constexpr qsizetype DefaultBudgetBytes = 32 * 1024 * 1024;

    // `box` in device pixels; `thumbnails` is the thumbnail folder, empty for the user's.
    explicit PageCache(QSize box, qsizetype budgetBytes = DefaultBudgetBytes,
                       QObject *parent = nullptr, const QString &thumbnails = QString());
    ~PageCache() override;

    // The file at `path` as it is now; invalid when it is not a present file.
    static PageKey keyFor(const QString &path);

    // The decoded page if it is at hand; a file that could not be decoded is at hand
    // as a page without picture that says why, so that it is not decoded again and again.
    std::optional<PageImage> find(const PageKey &key);

    // Replaces what is waiting to be decoded: `now` before anything else, then `ahead`.
    // Pages no longer wanted are dropped unless their decoding has already started.
    void setWanted(const QList<PageKey> &now, const QList<PageKey> &ahead);

    QSize box() const { return m_box; }
    qsizetype budgetBytes() const { return m_pages.maxCost(); }
    qsizetype usedBytes() const { return m_pages.totalCost(); }
    // No decoding running or waiting, and no thumbnail being written.
    bool isIdle() const
    {
        return m_running.isEmpty() && m_now.isEmpty() && m_ahead.isEmpty() && m_writes == 0
            && m_toWrite.isEmpty();
    }

signals:
    void pageReady(const spartiti::PageKey &key, const spartiti::PageImage &page);
    void becameIdle();

private:
    struct Decoding
    {
        QFutureWatcher<PageImage> *watcher = nullptr;
        bool wantedNow = false;
    };

    void startWaiting();
    void finishDecoding(const PageKey &key);
    bool decodingNow() const;
    void startWrites();

    QSize m_box;
    QCache<PageKey, PageImage> m_pages;
    QList<PageKey> m_now;
    QList<PageKey> m_ahead;
    QHash<PageKey, Decoding> m_running;
    ThumbnailStore m_thumbnails;
    QList<PageImage> m_toWrite;
    int m_writes = 0;
    // Last, so that they are destroyed first: their destructors wait for the running work.
    QThreadPool m_writer;
    QThreadPool m_pool;
};

// The pages worth decoding ahead of time around record `number`: both pages of the next
// two records in the direction of travel (`step` > 0 when moving forward) and of the
// previous one, as far as the files exist and within lowest..highest.
QList<PageKey> pagesAround(const CatalogueFolder &folder, int number, int step, int lowest, int highest);

} // namespace spartiti
