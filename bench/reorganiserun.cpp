#include "reorganiserun.h"

#include "archive.h"
#include "catalogue.h"
#include "displayrig.h"
#include "reorganiser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <memory>

namespace spartiti::bench {

ReorganiseResult measureReorganise(const QString &folder, int runs)
{
    ReorganiseResult result;
    const QString data = folder + QStringLiteral("/spartiti");
    const int count = ScoreCatalogue::MaxArchiveRecords;
    if (!QDir().mkpath(data + QStringLiteral("/audio")))
        return result;
    auto catalogue = std::make_unique<ScoreCatalogue>();
    catalogue->setScoreCount(count);
    for (int n = 1; n <= count; ++n) {
        catalogue->setValue(ScoreCatalogue::Field::Title, n, QStringLiteral("Spartito %1").arg(n));
        for (const QString &name : {QStringLiteral("%1/%2L.jpg"), QStringLiteral("%1/%2R.jpg"),
                                    QStringLiteral("%1/audio/%2.mp3")}) {
            QFile file(name.arg(data).arg(n));
            if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(n)) <= 0)
                return result;
        }
    }
    if (writeArchive(*catalogue, data + QStringLiteral("/archivio.js")))
        return result;

    QList<double> deleting, restoring;
    QDateTime now = QDateTime::currentDateTime();
    for (int run = 0; run < runs; ++run) {
        ReorganisationPlan plan;
        QElapsedTimer clock;
        clock.start();
        if (reorganise(*catalogue, data, Reorganisation::deletion(1), now, &plan))
            return result;
        deleting.append(double(clock.nsecsElapsed()) / 1e6);
        result.renames = int(plan.steps.moves.size());
        now = now.addSecs(1);
        clock.restart();
        if (reorganise(*catalogue, data, plan.inverse, now))
            return result;
        restoring.append(double(clock.nsecsElapsed()) / 1e6);
    }
    result.deleteMs = median(deleting);
    result.restoreMs = median(restoring);
    result.ok = catalogue->scoreCount() == count && QFile::exists(data + QStringLiteral("/audio/1.mp3"));
    return result;
}

} // namespace spartiti::bench
