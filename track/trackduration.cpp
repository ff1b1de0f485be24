#include "trackduration.h"

#include "latestonlyworker.h"
#include "mp3duration.h"

namespace spartiti {

TrackDuration::TrackDuration(QObject *parent)
    : QObject(parent)
    , m_reader(mp3FileDuration)
    , m_worker(new LatestOnlyWorker(this))
{
    setObjectName(QStringLiteral("trackDuration"));
}

int TrackDuration::pendingReads() const
{
    return m_worker->pending();
}

void TrackDuration::read(const QString &path)
{
    if (path.isEmpty()) {
        m_worker->cancel();
        return;
    }
    m_worker->run([reader = m_reader, path] { return reader(path); },
                  [this, path](std::optional<qint64> milliseconds) {
                      emit durationRead(path, milliseconds);
                  });
}

QString TrackDuration::text(std::optional<qint64> milliseconds)
{
    if (!milliseconds)
        return QStringLiteral("Durata non disponibile");
    const qint64 seconds = (*milliseconds + 500) / 1000;
    const qint64 hours = seconds / 3600;
    const QChar zero = QLatin1Char('0');
    if (hours == 0)
        return QStringLiteral("Durata: %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("Durata: %1:%2:%3")
        .arg(hours)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

} // namespace spartiti
