#include "importrun.h"

#include "cataloguedocument.h"
#include "displayrig.h"
#include "importstager.h"
#include "module1.h"
#include "newcatalogue.h"
#include "notifier.h"
#include "scoreimport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstdio>

namespace spartiti::bench {

namespace {

// Says nothing to nobody: the child has no window, and a failure shows in its exit code.
class QuietNotifier : public Notifier
{
public:
    void inform(const QString &) override {}
    void warn(const QString &text) override { std::fprintf(stderr, "bench: %s\n", qPrintable(text)); }
    Answer askSaveDiscardCancel(const QString &) override { return Answer::Cancel; }
};

// A greyish scan of a page: paper noise, a slight shade across it and dark staff lines.
QImage scanLikeImage()
{
    QImage scan(1240, 1754, QImage::Format_Grayscale8);
    QRandomGenerator random(27);
    for (int y = 0; y < scan.height(); ++y) {
        uchar *line = scan.scanLine(y);
        for (int x = 0; x < scan.width(); ++x)
            line[x] = uchar(225 - x / 40 + int(random.bounded(24)));
    }
    QPainter painter(&scan);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    for (int staff = 0; staff < 10; ++staff)
        for (int l = 0; l < 5; ++l)
            painter.drawLine(90, 150 + staff * 150 + l * 14, 1150, 152 + staff * 150 + l * 14);
    return scan;
}

// Ten staves with bar lines and notes, different on every page.
void drawNotation(QPainter &painter, const QRectF &page, int seed)
{
    QRandomGenerator random(seed);
    const double margin = page.width() * 0.08;
    const double width = page.width() - 2 * margin;
    const double gap = page.height() / 95;            // between staff lines
    painter.setRenderHint(QPainter::Antialiasing);
    for (int staff = 0; staff < 10; ++staff) {
        const double top = page.height() * 0.07 + staff * page.height() * 0.088;
        painter.setPen(QPen(Qt::black, gap * 0.12));
        for (int l = 0; l < 5; ++l)
            painter.drawLine(QPointF(margin, top + l * gap), QPointF(margin + width, top + l * gap));
        for (int bar = 0; bar <= 4; ++bar) {
            const double x = margin + bar * width / 4;
            painter.drawLine(QPointF(x, top), QPointF(x, top + 4 * gap));
        }
        painter.setBrush(Qt::black);
        for (int note = 0; note < 24; ++note) {
            const double x = margin + gap * 3 + note * (width - gap * 4) / 24;
            const double y = top + (int(random.bounded(11)) - 1) * gap / 2;
            painter.setPen(Qt::NoPen);
            painter.save();
            painter.translate(x, y);
            painter.rotate(-20);
            painter.drawEllipse(QPointF(0, 0), gap * 0.65, gap * 0.45);
            painter.restore();
            painter.setPen(QPen(Qt::black, gap * 0.1));
            painter.drawLine(QPointF(x + gap * 0.6, y), QPointF(x + gap * 0.6, y - gap * 3.2));
        }
    }
}

double peakRssKb()
{
    // Not getrusage(): Linux carries the parent's peak into a child's ru_maxrss across fork
    // and exec, so a child of the whole benchmark would report the benchmark's memory.
    return double(statusValueKb("VmHWM:"));
}

double valueAfter(const QByteArray &output, const QByteArray &key)
{
    for (const QByteArray &line : output.split('\n'))
        if (line.startsWith(key + ' '))
            return line.mid(key.size() + 1).trimmed().toDouble();
    return -1;
}

} // namespace

bool writeNotationPdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins({});
    writer.setResolution(600);
    QPainter painter(&writer);
    if (!painter.isActive())
        return false;
    const QImage scan = scanLikeImage();
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !writer.newPage())
            return false;
        const QRectF page = painter.viewport();
        if (p == pages / 2)
            painter.drawImage(page, scan);
        else
            drawNotation(painter, page, p + 1);
    }
    return painter.end();
}

int importChild(const QString &pdf, const QString &catalogueFolder)
{
    QElapsedTimer clock;
    clock.start();
    Module1 state;
    QuietNotifier notifier;
    CatalogueDocument document(CatalogueFolder::of(catalogueFolder), state, notifier);
    if (document.load())
        return 1;
    QList<ImportPage> pages;
    const int position = document.catalogue().scoreCount() + 1;
    if (auto error = scoreimport::listPages({pdf}, scoreimport::DefaultDpi, pages)) {
        notifier.warn(error->message);
        return 1;
    }
    const QList<ImportedRecord> planned = scoreimport::pairPages(int(pages.size()), QStringLiteral("Studio"));
    ImportControl control;
    QString staging;
    if (auto error = stageImport(document.folder(), pages, planned, scoreimport::DefaultDpi, control, staging)) {
        notifier.warn(error->message);
        return 1;
    }
    const ImportDetails details{QStringLiteral("Studio"), QStringLiteral("Banco di prova"), QString(), 1};
    if (!document.importStaged(position, scoreimport::archiveRecords(planned, details, position), staging))
        return 1;
    std::printf("import_ms %.1f\n", double(clock.nsecsElapsed()) / 1e6);
    std::printf("peak_rss_kb %.0f\n", peakRssKb());
    return 0;
}

ImportResult measureImport(const QString &benchmark, const QString &folder, int pages, int runs)
{
    ImportResult result;
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty()) {
        std::fprintf(stderr, "bench: pdftoppm is missing (Debian package poppler-utils)\n");
        return result;
    }
    QDir().mkpath(folder);
    const QString pdf = folder + QStringLiteral("/partitura.pdf");
    if (!writeNotationPdf(pdf, pages)) {
        std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(pdf));
        return result;
    }
    QList<double> imports, renders;
    for (int run = 0; run < runs; ++run) {
        const QString catalogue = folder + QStringLiteral("/catalogo-%1").arg(run);
        CatalogueFolder made;
        if (!QDir().mkpath(catalogue) || createCatalogue(catalogue, made)) {
            std::fprintf(stderr, "bench: cannot make a catalogue in %s\n", qPrintable(catalogue));
            return result;
        }
        QProcess child;
        child.start(benchmark, {QStringLiteral("--import-child"), pdf, catalogue});
        if (!child.waitForFinished(10 * 60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::fprintf(stderr, "bench: the import failed\n%s", child.readAllStandardError().constData());
            return result;
        }
        const QByteArray output = child.readAllStandardOutput();
        imports.append(valueAfter(output, "import_ms"));
        result.peakRssMb = std::max(result.peakRssMb, valueAfter(output, "peak_rss_kb") / 1024.0);

        const QString out = folder + QStringLiteral("/pdftoppm-%1").arg(run);
        QDir().mkpath(out);
        QProcess render;
        QElapsedTimer clock;
        clock.start();
        render.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-jpeg"), pdf,
                                out + QStringLiteral("/pagina")});
        if (!render.waitForFinished(10 * 60000) || render.exitCode() != 0) {
            std::fprintf(stderr, "bench: pdftoppm failed\n%s", render.readAllStandardError().constData());
            return result;
        }
        renders.append(double(clock.nsecsElapsed()) / 1e6);
        QDir(out).removeRecursively();
        QDir(catalogue).removeRecursively();
    }
    result.ok = !imports.contains(-1.0);
    result.pages = pages;
    result.importMs = median(imports);
    result.pdftoppmMs = median(renders);
    return result;
}

} // namespace spartiti::bench
