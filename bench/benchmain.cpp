// The benchmark behind `make bench`: makes its own workload, measures the archive, the
// record display, start-up and memory, and prints one table of medians followed by one
// machine-readable line per figure, "BENCH <name> <value> <unit>".

#include "archive.h"
#include "catalogue.h"
#include "cataloguecheck.h"
#include "childruns.h"
#include "displayrig.h"
#include "figure.h"
#include "importrun.h"
#include "jpegfloor.h"
#include "reorganiserun.h"
#include "scan600.h"
#include "scorelistrun.h"
#include "search.h"
#include "workload.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

using namespace spartiti;
using namespace spartiti::bench;

namespace {

const QSize Box(201, 353);

struct Settings
{
    bool quick = false;
    int archiveRuns = 31;
    int saveRuns = 15;
    int displayRounds = 15;
    int nextSteps = 40;
    int startupRuns = 7;
    int scrollRecords = ScoreCatalogue::MaxArchiveRecords;
};

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

void progress(const char *text)
{
    std::fprintf(stderr, "bench: %s\n", text);
}

bool fail(const QString &text)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
    return false;
}

bool measureArchive(const Settings &settings, const QString &large, const QString &small,
                    QList<Figure> &figures)
{
    progress("archive");
    const QString largeArchive = large + QStringLiteral("/spartiti/archivio.js");
    const QString smallArchive = small + QStringLiteral("/spartiti/archivio.js");
    ScoreCatalogue catalogue;
    QList<double> loadLarge, loadSmall, save;
    bool ok = true;
    for (int i = 0; i < settings.archiveRuns; ++i) {
        loadLarge.append(timeMs([&] { ok = ok && !readArchive(catalogue, largeArchive); }));
        loadSmall.append(timeMs([&] { ok = ok && !readArchive(catalogue, smallArchive); }));
    }
    if (!ok)
        return fail(QStringLiteral("the generated archives do not load"));

    QTemporaryDir scratch(large + QStringLiteral("/../save-XXXXXX"));
    const QString saved = scratch.filePath(QStringLiteral("archivio.js"));
    if (!scratch.isValid() || readArchive(catalogue, largeArchive) || !QFile::copy(largeArchive, saved))
        return fail(QStringLiteral("cannot prepare the save run"));
    for (int i = 0; i < settings.saveRuns; ++i)
        save.append(timeMs([&] { ok = ok && !saveArchive(catalogue, saved); }));
    if (!ok || catalogue.scoreCount() != ScoreCatalogue::MaxArchiveRecords)
        return fail(QStringLiteral("saving the archive failed"));

    figures.append({QStringLiteral("load_3276_ms"), QStringLiteral("read archive, 3 276 records"),
                    median(loadLarge), QStringLiteral("ms"), settings.archiveRuns, QStringLiteral("<= 10")});
    figures.append({QStringLiteral("load_12_ms"), QStringLiteral("read archive, 12 records"), median(loadSmall),
                    QStringLiteral("ms"), settings.archiveRuns, QString()});
    figures.append({QStringLiteral("save_3276_ms"), QStringLiteral("save 3 276 records (write, reload)"),
                    median(save), QStringLiteral("ms"), settings.saveRuns, QStringLiteral("<= 50")});
    return true;
}

// A keystroke in the search field after an edit: the folded index is rebuilt, then
// searched. And the whole catalogue check over the records and their folder.
bool measureSearchAndCheck(const Settings &settings, const QString &large, QList<Figure> &figures)
{
    progress("search and catalogue check");
    ScoreCatalogue catalogue;
    if (readArchive(catalogue, large + QStringLiteral("/spartiti/archivio.js")))
        return fail(QStringLiteral("the generated archive does not load"));
    ScoreSearch search(catalogue);
    const QStringList queries{QStringLiteral("a"), QStringLiteral("perche"), QStringLiteral("titolo 3"),
                              QStringLiteral("nessuna parola")};
    QList<double> searching, checking;
    for (int i = 0; i < settings.archiveRuns; ++i) {
        for (const QString &query : queries) {
            searching.append(timeMs([&] {
                search.invalidate();
                search.find(query);
            }));
        }
    }
    for (int i = 0; i < std::max(3, settings.saveRuns / 3); ++i)
        checking.append(timeMs([&] { checkCatalogue(catalogue, large + QStringLiteral("/spartiti")); }));
    figures.append({QStringLiteral("search_3276_ms"), QStringLiteral("search 3 276 records, index rebuilt"),
                    median(searching), QStringLiteral("ms"), int(searching.size()), QStringLiteral("<= 16")});
    figures.append({QStringLiteral("check_3276_ms"), QStringLiteral("catalogue check, 3 276 records + files"),
                    median(checking), QStringLiteral("ms"), int(checking.size()), QStringLiteral("<= 1000")});
    return true;
}

bool measureDisplay(const Settings &settings, const QString &large, QList<Figure> &figures)
{
    progress("record display, naive decoding and the libjpeg floor");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(large);
    DisplayRig rig;
    if (!rig.load()) {
        QDir::setCurrent(previous);
        return fail(QStringLiteral("the editor window does not load the workload"));
    }

    // Rounds far apart, so that no record shown is a neighbour decoded ahead of time;
    // the first round only warms up (threads, the JPEG plugin) and is not counted.
    QList<double> display, floor, naive;
    bool ok = true;
    for (int round = 0; round <= settings.displayRounds; ++round) {
        const int record = 40 + round * 97;
        const QString left = QStringLiteral("spartiti/%1L.jpg").arg(record);
        const QString right = QStringLiteral("spartiti/%1R.jpg").arg(record);
        const double shown = rig.showRecord(record);
        rig.waitUntilIdle();
        const double least = timeMs([&] {
            ok = ok && decodeJpegFloor(left, Box).isValid() && decodeJpegFloor(right, Box).isValid();
        });
        const double full = timeMs([&] {
            for (const QString &path : {left, right}) {
                const QImage page = QImage(path).scaled(Box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                ok = ok && page.size() == Box;
            }
        });
        ok = ok && shown >= 0;
        if (round == 0)
            continue;
        display.append(shown);
        floor.append(least);
        naive.append(full);
    }

    // One record at a time, each step after the previous one has settled.
    QList<double> next;
    const int start = 2000;
    ok = ok && rig.showRecord(start) >= 0;
    rig.waitUntilIdle();
    for (int step = 1; step <= settings.nextSteps; ++step) {
        const double ms = rig.showRecord(start + step);
        ok = ok && ms >= 0;
        next.append(ms);
        rig.waitUntilIdle();
    }
    QDir::setCurrent(previous);
    if (!ok)
        return fail(QStringLiteral("a record's pages did not show"));

    const int rounds = settings.displayRounds;
    const double displayMs = median(display), floorMs = median(floor), naiveMs = median(naive);
    figures.append({QStringLiteral("display_cold_ms"), QStringLiteral("display a record, cold (2 pages)"),
                    displayMs, QStringLiteral("ms"), rounds, QString()});
    figures.append({QStringLiteral("floor_ms"), QStringLiteral("libjpeg floor, same 2 pages"), floorMs,
                    QStringLiteral("ms"), rounds, QString()});
    figures.append({QStringLiteral("naive_ms"), QStringLiteral("naive: full decode + smooth scale"), naiveMs,
                    QStringLiteral("ms"), rounds, QString()});
    figures.append({QStringLiteral("display_over_floor"), QStringLiteral("display / floor"),
                    displayMs / floorMs, QStringLiteral("ratio"), rounds, QStringLiteral("<= 1.3")});
    figures.append({QStringLiteral("naive_over_display"), QStringLiteral("naive / display"),
                    naiveMs / displayMs, QStringLiteral("ratio"), rounds, QStringLiteral(">= 2.5")});
    figures.append({QStringLiteral("next_record_ms"), QStringLiteral("next record, one at a time"),
                    median(next), QStringLiteral("ms"), settings.nextSteps, QStringLiteral("<= 5")});
    figures.append({QStringLiteral("next_record_p90_ms"), QStringLiteral("next record, 90th percentile"),
                    percentile(next, 0.9), QStringLiteral("ms"), settings.nextSteps, QString()});
    return true;
}

bool measureReorganisation(const Settings &settings, const QString &runFolder, QList<Figure> &figures)
{
    progress("deleting score 1 of 3 276, every file renamed");
    const int runs = settings.quick ? 2 : 5;
    const ReorganiseResult result = measureReorganise(runFolder + QStringLiteral("/reorganise"), runs);
    if (!result.ok)
        return fail(QStringLiteral("the reorganisation run failed"));
    figures.append({QStringLiteral("delete_first_3276_ms"),
                    QStringLiteral("delete score 1 of 3 276 (%1 renames)").arg(result.renames), result.deleteMs,
                    QStringLiteral("ms"), runs, QStringLiteral("<= 2000")});
    figures.append({QStringLiteral("restore_first_3276_ms"), QStringLiteral("undo that deletion"),
                    result.restoreMs, QStringLiteral("ms"), runs, QString()});
    return true;
}

bool measureScoreListWindow(const Settings &settings, const QString &runFolder, QList<Figure> &figures)
{
    progress("score list");
    const ScoreListResult list =
        measureScoreList(runFolder + QStringLiteral("/list"), settings.quick ? 3 : settings.saveRuns);
    if (!list.ok)
        return fail(QStringLiteral("the score list run failed"));
    figures.append({QStringLiteral("score_list_open_ms"), QStringLiteral("open the score list, 3 276 scores"),
                    list.openMs, QStringLiteral("ms"), settings.quick ? 3 : settings.saveRuns,
                    QStringLiteral("< 150")});
    figures.append({QStringLiteral("score_list_filter_key_ms"),
                    QStringLiteral("score list: one filter keystroke, sorted by title"), list.keystrokeMs,
                    QStringLiteral("ms"), list.keystrokes, QStringLiteral("< 16")});
    return true;
}

bool measureImportRun(const Settings &settings, const QString &runFolder, QList<Figure> &figures)
{
    const int pages = settings.quick ? 8 : 40;
    const int runs = settings.quick ? 1 : 3;
    progress(settings.quick ? "importing an 8-page PDF, and pdftoppm on it" : "importing a 40-page PDF, and pdftoppm on it");
    const ImportResult result =
        measureImport(QCoreApplication::applicationFilePath(), runFolder + QStringLiteral("/import"), pages, runs);
    if (!result.ok)
        return fail(QStringLiteral("the import run failed"));
    figures.append({QStringLiteral("import_pdf_ms"), QStringLiteral("import a %1-page PDF at 150 dpi").arg(pages),
                    result.importMs, QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("pdftoppm_ms"), QStringLiteral("pdftoppm -r 150 -jpeg, same PDF"),
                    result.pdftoppmMs, QStringLiteral("ms"), runs, QString()});
    figures.append({QStringLiteral("import_over_pdftoppm"), QStringLiteral("import / pdftoppm"),
                    result.importMs / result.pdftoppmMs, QStringLiteral("ratio"), runs, QStringLiteral("<= 0.7")});
    figures.append({QStringLiteral("import_peak_rss_mb"), QStringLiteral("peak memory, importing the PDF"),
                    result.peakRssMb, QStringLiteral("MB"), runs, QStringLiteral("<= 300")});
    return true;
}

void printReport(const Settings &settings, const Workload &workload, const QList<Figure> &figures)
{
    std::printf("\nSpartiti benchmark%s: pages %d x %d JPEG q%d (%.2f MB on average), boxes %d x %d, %d cores\n",
                settings.quick ? " (quick)" : "", Workload::PageSize.width(), Workload::PageSize.height(),
                Workload::JpegQuality, double(workload.averageScanBytes()) / (1024.0 * 1024.0),
                Box.width(), Box.height(), QThread::idealThreadCount());
    std::printf("%-38s %10s  %-5s %5s  %s\n", "measure", "median", "unit", "runs", "target");
    for (const Figure &f : figures)
        std::printf("%-38s %10.2f  %-5s %5d  %s\n", qPrintable(f.label), f.value, qPrintable(f.unit), f.runs,
                    qPrintable(f.target));
    std::printf("\n");
    for (const Figure &f : figures)
        std::printf("BENCH %s %.3f %s\n", qPrintable(f.name), f.value, qPrintable(f.unit));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();

    if (args.size() == 4 && args[1] == QLatin1String("--scroll-child")) {
        QDir::setCurrent(args[2]);
        return scrollChild(args[3].toInt());
    }
    if (args.size() == 4 && args[1] == QLatin1String("--import-child"))
        return importChild(args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("--show-child")) {
        QDir::setCurrent(args[2]);
        return showChild(args[3].toInt());
    }

    Settings settings;
    bool onlyReorganise = false;
    bool onlyScoreList = false;
    bool onlyImport = false;
    QString workloadFolder = QStringLiteral(SPARTITI_BENCH_WORKLOAD);
    QString editor = QStringLiteral(SPARTITI_APP);
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quick"))
            settings.quick = true;
        else if (args[i] == QLatin1String("--workload") && i + 1 < args.size())
            workloadFolder = args[++i];
        else if (args[i] == QLatin1String("--app") && i + 1 < args.size())
            editor = args[++i];
        else if (args[i] == QLatin1String("--only-reorganise"))
            onlyReorganise = true;
        else if (args[i] == QLatin1String("--only-score-list"))
            onlyScoreList = true;
        else if (args[i] == QLatin1String("--only-import"))
            onlyImport = true;
    }
    if (qEnvironmentVariableIntValue("BENCH_QUICK") == 1)
        settings.quick = true;
    if (settings.quick)
        settings = {true, 5, 3, 4, 8, 2, 120};

    if (onlyReorganise || onlyScoreList || onlyImport) {
        // Only these figures, without the scans: for a quick look after a change there.
        QDir().mkpath(workloadFolder);
        QTemporaryDir runFolder(workloadFolder + QStringLiteral("/run-XXXXXX"));
        QList<Figure> figures;
        if (!runFolder.isValid())
            return 1;
        if (onlyReorganise && !measureReorganisation(settings, runFolder.path(), figures))
            return 1;
        if (onlyScoreList && !measureScoreListWindow(settings, runFolder.path(), figures))
            return 1;
        if (onlyImport && !measureImportRun(settings, runFolder.path(), figures))
            return 1;
        for (const Figure &f : figures)
            std::printf("BENCH %s %.3f %s\n", qPrintable(f.name), f.value, qPrintable(f.unit));
        return 0;
    }

    progress("preparing the workload");
    Workload workload(workloadFolder);
    if (!workload.prepareScans() || !workload.prepareScans600()) {
        fail(QStringLiteral("cannot write the scans in %1").arg(workloadFolder));
        return 1;
    }
    QTemporaryDir runFolder(workloadFolder + QStringLiteral("/run-XXXXXX"));
    const QString large = runFolder.filePath(QStringLiteral("large"));
    const QString small = runFolder.filePath(QStringLiteral("small"));
    if (!runFolder.isValid() || !workload.makeCatalogue(large, ScoreCatalogue::MaxArchiveRecords, true)
        || !workload.makeCatalogue(small, 12, false)) {
        fail(QStringLiteral("cannot make the catalogues in %1").arg(runFolder.path()));
        return 1;
    }
    // The editor keeps page thumbnails under $XDG_CACHE_HOME: the benchmark and the
    // editors it starts use a folder of their own, empty at first and removed at the end.
    const QString cacheHome = runFolder.filePath(QStringLiteral("cache"));
    QDir().mkpath(cacheHome);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));

    QList<Figure> figures;
    if (!measureReorganisation(settings, runFolder.path(), figures))
        return 1;
    if (!measureArchive(settings, large, small, figures) || !measureSearchAndCheck(settings, large, figures)
        || !measureDisplay(settings, large, figures) || !measureScoreListWindow(settings, runFolder.path(), figures))
        return 1;

    progress("start-up");
    const StartupResult startup = measureStartup(editor, large, settings.startupRuns);
    if (!startup.ok)
        return 1;
    figures.append({QStringLiteral("startup_ms"), QStringLiteral("start-up to first paint, in process"),
                    startup.inProcessMs, QStringLiteral("ms"), settings.startupRuns, QStringLiteral("<= 400")});
    figures.append({QStringLiteral("startup_outside_ms"), QStringLiteral("start-up to first paint, /usr/bin/time"),
                    startup.outsideMs, QStringLiteral("ms"), settings.startupRuns, QStringLiteral("<= 400")});

    progress(settings.quick ? "scrolling through 120 records" : "scrolling through all records");
    const ScrollResult scroll = measureScroll(QCoreApplication::applicationFilePath(), large,
                                              settings.scrollRecords);
    if (!scroll.ok)
        return 1;
    figures.append({QStringLiteral("peak_rss_mb"), QStringLiteral("peak memory, scrolling %1 records").arg(scroll.records),
                    scroll.peakRssMb, QStringLiteral("MB"), 1, QStringLiteral("<= 150")});
    figures.append({QStringLiteral("scroll_step_ms"), QStringLiteral("scrolling without pause, per record"),
                    scroll.stepMedianMs, QStringLiteral("ms"), scroll.records, QString()});
    figures.append({QStringLiteral("scroll_step_p90_ms"), QStringLiteral("scrolling without pause, 90th pct"),
                    scroll.stepP90Ms, QStringLiteral("ms"), scroll.records, QString()});

    if (!measureScan600(settings.quick, QCoreApplication::applicationFilePath(), workload, runFolder.path(),
                        figures)
        || !measureImportRun(settings, runFolder.path(), figures))
        return 1;

    printReport(settings, workload, figures);
    return 0;
}
