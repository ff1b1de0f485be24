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
    m_ahead.removeIf([this](const PageKey &key) { return m_now.contains(key); });
    startWaiting();
    if (isIdle())
        emit becameIdle();
}

void PageCache::startWaiting()
{
    while (m_running.size() < m_pool.maxThreadCount() && !(m_now.isEmpty() && m_ahead.isEmpty())) {
        const PageKey key = m_now.isEmpty() ? m_ahead.takeFirst() : m_now.takeFirst();
        if (m_pages.contains(key) || m_running.contains(key))
            continue;
        auto *watcher = new QFutureWatcher<QImage>(this);
        m_running.insert(key, watcher);
        connect(watcher, &QFutureWatcher<QImage>::finished, this,
                [this, key] { finishDecoding(key); });
        watcher->setFuture(QtConcurrent::run(&m_pool, &decodePage, key.path, m_box));
    }
}

void PageCache::finishDecoding(const PageKey &key)
{
    QFutureWatcher<QImage> *watcher = m_running.take(key);
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
