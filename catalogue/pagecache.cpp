#include "pagecache.h"

#include "pageimage.h"
#include "scorepaths.h"

#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace spartiti {

size_t qHash(const PageKey &key, size_t seed)
{
    return qHashMulti(seed, key.path, key.size, key.modified, key.changed);
}

PageCache::PageCache(QSize box, qsizetype budgetBytes, QObject *parent)
    : QObject(parent)
    , m_box(box)
    , m_pages(budgetBytes)
{
    // Both pages of a record not seen before are decoded side by side.
    m_pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

PageCache::~PageCache()
{
    m_now.clear();
    m_ahead.clear();
    m_pool.waitForDone();
}

PageKey PageCache::keyFor(const QString &path)
{
    if (!paths::isPresentFile(path))
        return {};
    const QFileInfo info(path);
    return {path, info.size(), info.lastModified().toMSecsSinceEpoch(),
            info.metadataChangeTime().toMSecsSinceEpoch()};
}

std::optional<QImage> PageCache::find(const PageKey &key)
{
    if (const QImage *page = m_pages.object(key))
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
    const auto decodingNow = [this] {
        return std::any_of(m_running.cbegin(), m_running.cend(),
                           [](const Decoding &decoding) { return decoding.wantedNow; });
    };
    while (m_running.size() < m_pool.maxThreadCount()) {
        const bool now = !m_now.isEmpty();
        if (!now && (m_ahead.isEmpty() || decodingNow()))
            break;
        const PageKey key = now ? m_now.takeFirst() : m_ahead.takeFirst();
        if (m_pages.contains(key) || m_running.contains(key))
            continue;
        auto *watcher = new QFutureWatcher<QImage>(this);
        m_running.insert(key, {watcher, now});
        connect(watcher, &QFutureWatcher<QImage>::finished, this,
                [this, key] { finishDecoding(key); });
        watcher->setFuture(QtConcurrent::run(&m_pool, &decodePage, key.path, m_box));
    }
}

void PageCache::finishDecoding(const PageKey &key)
{
    QFutureWatcher<QImage> *watcher = m_running.take(key).watcher;
    if (!watcher)
        return;
    const QImage page = watcher->result();
    watcher->deleteLater();
    // A null image costs one byte, so that an undecodable file is remembered as such.
    m_pages.insert(key, new QImage(page), std::max<qsizetype>(1, page.sizeInBytes()));
    startWaiting();
    emit pageReady(key, page);
    if (isIdle())
        emit becameIdle();
}

QList<PageKey> pagesAround(int number, int step, int lowest, int highest)
{
    const int forward = step < 0 ? -1 : 1;
    QList<PageKey> keys;
    for (const int n : {number + forward, number + 2 * forward, number - forward}) {
        if (n < lowest || n > highest)
            continue;
        for (const QString &path : {paths::leftPage(n), paths::rightPage(n)}) {
            const PageKey key = PageCache::keyFor(path);
            if (key.isValid())
                keys.append(key);
        }
    }
    return keys;
}

} // namespace spartiti
