#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace spartiti {

class LatestOnlyWorker;

// Reads the playing time of track files on a worker thread, one file at a time: asking
// for another file makes any answer still due for the earlier one go unheard.
class TrackDuration : public QObject
{
    Q_OBJECT

public:
    // Milliseconds, or nothing when the file's length cannot be read.
    using Reader = std::function<std::optional<qint64>(const QString &path)>;

    explicit TrackDuration(QObject *parent = nullptr);

    // Starts reading `path`; an empty path only cancels the answer due.
    void read(const QString &path);
    // For tests: what reads a file, mp3FileDuration unless replaced.
    void setReader(Reader reader) { m_reader = std::move(reader); }
    // Reads asked for whose answer, heard or not, has not come back yet.
    int pendingReads() const;

    // "Durata: 3:25", hours only when there are some: "Durata: 1:02:03".
    static QString text(std::optional<qint64> milliseconds);

signals:
    // The answer for the file asked for last.
    void durationRead(const QString &path, std::optional<qint64> milliseconds);

private:
    Reader m_reader;
    LatestOnlyWorker *m_worker;
};

} // namespace spartiti
