#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

namespace spartiti {

// The desktop's shared thumbnail folder ($XDG_CACHE_HOME/thumbnails), read and written
// the way file managers and image viewers do: one PNG per file, named by the MD5 of the
// file's URI, in a folder per size (normal 128, large 256, x-large 512, xx-large 1024),
// valid while its Thumb::URI, Thumb::MTime and Thumb::Size keys match the file (and,
// since MTime counts whole seconds, while the file is not newer than the thumbnail). A file
// that could not be decoded gets an empty PNG under fail/<program>-<version>.
// Every failure here only costs speed: nothing is reported. Safe to use from any thread.
class ThumbnailStore
{
public:
    // The original a thumbnail stands for, as it is now.
    struct Original
    {
        QString path;       // absolute
        QByteArray uri;     // file:// URI, percent-encoded
        qint64 mtime = 0;   // seconds since the epoch
        qint64 modifiedMs = 0;
        qint64 size = -1;

        bool isValid() const { return size >= 0; }
    };

    // `root` is the thumbnails folder; empty means the user's own, from the environment.
    explicit ThumbnailStore(const QString &root = QString());

    static QString userRoot();
    static Original originalOf(const QString &path);
    // The file name every program gives the thumbnails of `uri`.
    static QString fileNameFor(const QByteArray &uri);
    // The smallest standard size whose thumbnails cover `box` (in device pixels); 0 when
    // none does.
    static int sizeFor(const QSize &box);
    // The size of the thumbnail of a picture of `pixels` in the folder of `size`: fitted
    // into size x size with its proportions kept, never enlarged.
    static QSize thumbnailPixels(const QSize &pixels, int size);

    QString root() const { return m_root; }
    QString pathFor(const Original &original, int size) const;
    QString failurePathFor(const Original &original) const;

    // A valid thumbnail of `original` of `size` or larger; null when there is none.
    QImage find(const Original &original, int size) const;
    // Whether this program has already failed to decode `original` as it is now.
    bool hasFailed(const Original &original) const;

    // Best effort; once a write has failed no other is tried, so that a read-only or
    // full cache costs one attempt only.
    void save(const Original &original, int size, const QImage &thumbnail);
    void saveFailure(const Original &original);

private:
    bool write(const QString &path, const Original &original, QImage image);

    QString m_root;
    std::atomic<bool> m_writable{true};
};

} // namespace spartiti
