#include "scan600.h"

#include "childruns.h"
#include "displayrig.h"
#include "jpegfloor.h"
#include "pageimage.h"
#include "thumbnailstore.h"
#include "workload.h"

#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace spartiti::bench {

namespace {

const QSize Box(201, 353);
constexpr int Records = 50;

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

// The editor reads and writes thumbnails under $XDG_CACHE_HOME; each measure starts from
// an empty folder of its own, and the processes started meanwhile inherit it.
void useCacheHome(const QString &folder)
{
    QDir().mkpath(folder);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder));
}

bool fail(const char *text)
{
    std::fprintf(stderr, "bench: %s\n", text);
    return false;
}

} // namespace

bool measureScan600(bool quick, const QString &benchmark, const Workload &workload, const QString &runFolder,
                    QList<Figure> &figures)
{
    std::fprintf(stderr, "bench: 600-dpi scans\n");
    const QString data = runFolder + QStringLiteral("/scan600");
    if (!workload.makeCatalogue(data, Records, true, true))
        return fail("cannot make the 600-dpi catalogue");
    const QByteArray previousCache = qgetenv("XDG_CACHE_HOME");
    const QString previousFolder = QDir::currentPath();
    useCacheHome(runFolder + QStringLiteral("/cache600"));
    QDir::setCurrent(data);

    // Records six apart, so that none was decoded ahead as a neighbour of the one before;
    // the first round only warms up. The right pages are the progressive ones.
    const int rounds = quick ? 2 : 7;
    QList<double> display, floor, progressive, writing;
    QList<int> shownRecords;
    bool ok = true;
    {
        DisplayRig rig;
        ok = rig.load();
        const ThumbnailStore none(runFolder + QStringLiteral("/no-thumbnails"));
        ThumbnailStore scratch(runFolder + QStringLiteral("/scratch-thumbnails"));
        for (int round = 0; ok && round <= rounds; ++round) {
            const int record = 3 + round * 6;
            const QString left = QStringLiteral("spartiti/%1L.jpg").arg(record);
            const QString right = QStringLiteral("spartiti/%1R.jpg").arg(record);
            const double shown = rig.showRecord(record);
            rig.waitUntilIdle();
            const double least = timeMs([&] {
                ok = ok && decodeJpegFloor(left, Box).isValid() && decodeJpegFloor(right, Box).isValid();
            });
            // What the editor's worker does for a page not seen before, and then what its
            // thumbnail writer does for the two pages.
            PageImage rightPage, leftPage = loadPage(left, Box, none);
            const double alone = timeMs([&] { rightPage = loadPage(right, Box, none); });
            const double written = timeMs([&] {
                keepThumbnail(scratch, leftPage);
                keepThumbnail(scratch, rightPage);
            });
            ok = ok && shown >= 0 && rightPage.isPicture() && !rightPage.thumbnail.isNull();
            if (round == 0)
                continue;
            display.append(shown);
            floor.append(least);
            progressive.append(alone);
            writing.append(written);
            shownRecords.append(record);
        }
    }
    if (!ok) {
        QDir::setCurrent(previousFolder);
        return fail("the 600-dpi pages did not show");
    }

    // The same records in new processes, their thumbnails written by the run above.
    QList<double> revisit;
    for (const int record : shownRecords.mid(0, quick ? 1 : 3)) {
        const double ms = measureShowRecord(benchmark, data, record);
        if (ms < 0) {
            QDir::setCurrent(previousFolder);
            return fail("the 600-dpi record did not show again");
        }
        revisit.append(ms);
    }

    useCacheHome(runFolder + QStringLiteral("/cache600-scroll"));
    const ScrollResult scroll = measureScroll(benchmark, data, quick ? 10 : Records);
    QDir::setCurrent(previousFolder);
    qputenv("XDG_CACHE_HOME", previousCache);
    if (!scroll.ok)
        return false;

    const int runs = int(display.size());
    const double displayMs = median(display), floorMs = median(floor);
    figures.append({QStringLiteral("scan600_display_ms"), QStringLiteral("600 dpi: display a record, cold"),
                    displayMs, QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("scan600_floor_ms"), QStringLiteral("600 dpi: libjpeg floor, same 2 pages"),
                    floorMs, QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("scan600_display_over_floor"), QStringLiteral("600 dpi: display / floor"),
                    displayMs / floorMs, QStringLiteral("ratio"), runs, QStringLiteral("<= 1.1")});
    figures.append({QStringLiteral("scan600_progressive_page_ms"),
                    QStringLiteral("600 dpi: one progressive page, cold"), median(progressive),
                    QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("scan600_revisit_ms"), QStringLiteral("600 dpi: same record, new process"),
                    median(revisit), QStringLiteral("ms"), int(revisit.size()), QStringLiteral("<= 10")});
    figures.append({QStringLiteral("thumbnail_write_ms"), QStringLiteral("600 dpi: writing the 2 thumbnails"),
                    median(writing), QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("scan600_peak_rss_mb"),
                    QStringLiteral("600 dpi: peak memory, %1 records").arg(scroll.records), scroll.peakRssMb,
                    QStringLiteral("MB"), 1, QStringLiteral("<= 250")});
    return true;
}

} // namespace spartiti::bench
