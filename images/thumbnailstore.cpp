#include "thumbnailstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace spartiti {

namespace {

constexpr int Sizes[] = {128, 256, 512, 1024};

QString folderName(int size)
{
    switch (size) {
    case 128: return QStringLiteral("normal");
    case 256: return QStringLiteral("large");
    case 512: return QStringLiteral("x-large");
    default: return QStringLiteral("xx-large");
    }
}

// The failures of other programs, or of another version of this one, are theirs: a
// newer decoder may well read what an older one could not.
QString failureFolder()
{
    return QStringLiteral("fail/spartiti-" SPARTITI_VERSION);
}

// Makes `folder` and the missing folders above it up to `root`'s parent, each readable
// by its owner only: thumbnails show what private files look like.
bool makeFolders(const QString &root, const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    QDir().mkpath(QFileInfo(root).path());
    QString path = root;
    const QStringList parts = QDir(root).relativeFilePath(folder).split(QLatin1Char('/'));
    for (qsizetype i = -1; i < parts.size(); ++i) {
        if (i >= 0)
            path += QLatin1Char('/') + parts[i];
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(folder).isDir();
}

bool matches(const QImage &thumbnail, const ThumbnailStore::Original &original)
{
    if (thumbnail.isNull() || thumbnail.text(QStringLiteral("Thumb::URI")).toUtf8() != original.uri)
        return false;
    bool ok = false;
    if (thumbnail.text(QStringLiteral("Thumb::MTime")).trimmed().toLongLong(&ok) != original.mtime || !ok)
        return false;
    const QString size = thumbnail.text(QStringLiteral("Thumb::Size"));
    return size.isEmpty() || size.trimmed().toLongLong() == original.size;
}

QImage readValid(const QString &path, const ThumbnailStore::Original &original)
{
    // A file replaced within the second its thumbnail was made keeps its MTime; it is
    // newer than the thumbnail, though.
    const QFileInfo info(path);
    if (!info.exists() || info.lastModified().toMSecsSinceEpoch() < original.modifiedMs)
        return {};
    QImageReader reader(path, "png");
    QImage image = reader.read();
    return matches(image, original) ? image : QImage();
}

} // namespace

ThumbnailStore::ThumbnailStore(const QString &root)
    : m_root(root.isEmpty() ? userRoot() : root)
{
}

QString ThumbnailStore::userRoot()
{
    // A relative XDG_CACHE_HOME is invalid and must be ignored.
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!cache.isEmpty() && QDir::isAbsolutePath(cache))
        return QDir::cleanPath(cache + QStringLiteral("/thumbnails"));
    return QDir::homePath() + QStringLiteral("/.cache/thumbnails");
}

ThumbnailStore::Original ThumbnailStore::originalOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return {};
    Original original;
    original.path = info.absoluteFilePath();
    original.uri = QUrl::fromLocalFile(original.path).toEncoded();
    original.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    original.mtime = original.modifiedMs / 1000;
    original.size = info.size();
    return original;
}

QString ThumbnailStore::fileNameFor(const QByteArray &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex())
        + QStringLiteral(".png");
}

int ThumbnailStore::sizeFor(const QSize &box)
{
    for (const int size : Sizes) {
        if (size >= box.width() && size >= box.height())
            return size;
    }
    return 0;
}

QSize ThumbnailStore::thumbnailPixels(const QSize &pixels, int size)
{
    if (pixels.width() <= size && pixels.height() <= size)
        return pixels;
    return pixels.scaled(size, size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QString ThumbnailStore::pathFor(const Original &original, int size) const
{
    return m_root + QLatin1Char('/') + folderName(size) + QLatin1Char('/') + fileNameFor(original.uri);
}

QString ThumbnailStore::failurePathFor(const Original &original) const
{
    return m_root + QLatin1Char('/') + failureFolder() + QLatin1Char('/') + fileNameFor(original.uri);
}

QImage ThumbnailStore::find(const Original &original, int size) const
{
    if (!original.isValid() || size <= 0)
        return {};
    for (const int candidate : Sizes) {
        if (candidate < size)
            continue;
        QImage thumbnail = readValid(pathFor(original, candidate), original);
        if (!thumbnail.isNull())
            return thumbnail;
    }
    return {};
}

bool ThumbnailStore::hasFailed(const Original &original) const
{
    return original.isValid() && !readValid(failurePathFor(original), original).isNull();
}

void ThumbnailStore::save(const Original &original, int size, const QImage &thumbnail)
{
    if (original.isValid() && size > 0 && !thumbnail.isNull())
        write(pathFor(original, size), original, thumbnail);
}

void ThumbnailStore::saveFailure(const Original &original)
{
    QImage empty(1, 1, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    if (original.isValid())
        write(failurePathFor(original), original, empty);
}

bool ThumbnailStore::write(const QString &path, const Original &original, QImage image)
{
    // No thumbnails of thumbnails.
    if (!m_writable || original.path.startsWith(m_root + QLatin1Char('/')))
        return false;
    const QString folder = QFileInfo(path).path();
    bool written = false;
    if (makeFolders(m_root, folder)) {
        // 8 bits per channel with alpha, as every reader of the folder expects.
        image = image.convertToFormat(QImage::Format_ARGB32);
        image.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(original.uri));
        image.setText(QStringLiteral("Thumb::MTime"), QString::number(original.mtime));
        image.setText(QStringLiteral("Thumb::Size"), QString::number(original.size));
        image.setText(QStringLiteral("Software"), QStringLiteral("Spartiti " SPARTITI_VERSION));
        // Written under a name of its own and renamed, so that another program never
        // reads half a thumbnail. QTemporaryFile creates it readable by its owner only.
        QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
        if (file.open()) {
            QImageWriter writer(&file, "png");
            written = writer.write(image) && file.flush()
                && std::rename(QFile::encodeName(file.fileName()).constData(),
                               QFile::encodeName(path).constData()) == 0;
            if (written)
                file.setAutoRemove(false);
        }
    }
    if (!written)
        m_writable = false;
    return written;
}

} // namespace spartiti
