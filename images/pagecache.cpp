#include "pagecache.h"

#include "pageimage.h"
#include "cataloguefolder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace spartiti {

size_t qHash(const PageKey &key, size_t seed)
{
    return qHashMulti(seed, key.path, key.size, key.modified, key.changed);
}

namespace {

// Thumbnails waiting to be written hold their pictures: beyond this many, while the
// user scrolls faster than they are written, the newest are not written at all.
constexpr int MostWritesWaiting = 8;

} // namespace

PageCache::PageCache(QSize box, qsizetype budgetBytes, QObject *parent, const QString &thumbnails)
    : QObject(parent)
    , m_box(box)
    , m_pages(budgetBytes)
    , m_thumbnails(thumbnails)
{
    // Both pages of a record not seen before are decoded side by side.
    m_pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    m_writer.setMaxThreadCount(1);
}

PageCache::~PageCache()
{
    m_now.clear();
    m_ahead.clear();
    m_pool.waitForDone();
    m_writer.waitForDone();
}

PageKey PageCache::keyFor(const QString &path)
{
    if (!paths::isPresentFile(path))
        return {};
    const QFileInfo info(path);
    return {path, info.size(), info.lastModified().toMSecsSinceEpoch(),
            info.metadataChangeTime().toMSecsSinceEpoch()};
}

std::optional<PageImage> PageCache::find(const PageKey &key)
{
    if (const PageImage *page = m_pages.object(key))
        return *page;
    return std::nullopt;
}

void PageCache::setWanted(const QList<PageKey> &now, const QList<PageKey> &ahead)
{
    const auto needed = [this](const QList<PageKey> &keys) {
        QList<PageKey> out;
        for (const PageKey &key : keys) {
            if (key.isValid() && !m_pages.contains(key) && !m_running.contains(key)
                && !out.contains(key))
                out.append(key);
        }
        return out;
    };
    m_now = needed(now);
    m_ahead = needed(ahead);
    for (auto it = m_running.begin(); it != m_running.end(); ++it)
        it->wantedNow = now.contains(it.key());
    m_ahead.removeIf([this](const PageKey &key) { return m_now.contains(key); });
    startWaiting();
    if (isIdle())
        emit becameIdle();
}

void PageCache::startWaiting()
{
    // Pages wanted ahead of time wait until the pages wanted now are done: on a busy
    // machine they would otherwise take the processor from the page the user waits for.
    while (m_running.size() < m_pool.maxThreadCount()) {
        const bool now = !m_now.isEmpty();
        if (!now && (m_ahead.isEmpty() || decodingNow()))
            break;
        const PageKey key = now ? m_now.takeFirst() : m_ahead.takeFirst();
        if (m_pages.contains(key) || m_running.contains(key))
            continue;
        auto *watcher = new QFutureWatcher<PageImage>(this);
        m_running.insert(key, {watcher, now});
        connect(watcher, &QFutureWatcher<PageImage>::finished, this,
                [this, key] { finishDecoding(key); });
        watcher->setFuture(QtConcurrent::run(&m_pool, [this, path = key.path] {
            return loadPage(path, m_box, m_thumbnails);
        }));
    }
}

void PageCache::finishDecoding(const PageKey &key)
{
    QFutureWatcher<PageImage> *watcher = m_running.take(key).watcher;
    if (!watcher)
        return;
    PageImage page = watcher->result();
    watcher->deleteLater();
    const bool toWrite = page.original.isValid() && (page.thumbnailSize > 0 || page.failedToDecode);
    if (toWrite && m_writes + m_toWrite.size() < MostWritesWaiting)
        m_toWrite.append(page);
    page.thumbnail = QImage();
    // A page without picture costs one byte, so that an undecodable file is remembered.
    m_pages.insert(key, new PageImage(page), std::max<qsizetype>(1, page.picture.sizeInBytes()));
    // The page goes on show before the next decodings start and take the processors.
    emit pageReady(key, page);
    startWaiting();
    startWrites();
    if (isIdle())
        emit becameIdle();
}

bool PageCache::decodingNow() const
{
    return std::any_of(m_running.cbegin(), m_running.cend(),
                       [](const Decoding &decoding) { return decoding.wantedNow; });
}

void PageCache::startWrites()
{
    // Thumbnails are written once the pages the user waits for are on show, on a thread
    // of lower priority than the decoding.
    if (decodingNow())
        return;
    while (!m_toWrite.isEmpty()) {
        ++m_writes;
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher] {
            watcher->deleteLater();
            --m_writes;
            if (isIdle())
                emit becameIdle();
        });
        watcher->setFuture(QtConcurrent::run(&m_writer, [this, page = m_toWrite.takeFirst()] {
            // Niced, not idle: a busy machine must not hold the writes back for ever.
            ::setpriority(PRIO_PROCESS, ::gettid(), 10);
            keepThumbnail(m_thumbnails, page);
        }));
    }
}

QList<PageKey> pagesAround(const CatalogueFolder &folder, int number, int step, int lowest, int highest)
{
    const int forward = step < 0 ? -1 : 1;
    QList<PageKey> keys;
    for (const int n : {number + forward, number + 2 * forward, number - forward}) {
        if (n < lowest || n > highest)
            continue;
        for (const QString &path : {folder.leftPage(n), folder.rightPage(n)}) {
            const PageKey key = PageCache::keyFor(path);
            if (key.isValid())
                keys.append(key);
        }
    }
    return keys;
}

} // namespace spartiti
