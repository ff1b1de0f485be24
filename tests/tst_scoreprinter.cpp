// Printing the pages of scores to a PDF file, read back with poppler's tools: one sheet
// per page in order, each page whole and in proportion, the placeholder and the missing
// or broken pages left out and named, and the scan drawn at the printer's resolution.

#include "cataloguefolder.h"
#include "scoreprinter.h"
#include "testsupport.h"

#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace spartiti;

namespace {

// A page of one colour, `size` pixels, saved as JPEG.
void writePage(const QString &path, const QColor &colour, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "JPEG", 95));
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qWarning() << program << process.readAllStandardError();
    return process.readAllStandardOutput();
}

// The sheets of the PDF as pictures, first to last.
QList<QImage> renderedSheets(const QString &pdf, const QString &folder)
{
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"), pdf,
                                     QDir(folder).filePath(QStringLiteral("foglio"))});
    QList<QImage> sheets;
    // pdftoppm pads the page numbers to one width, so the names sort in page order.
    for (const QString &name : QDir(folder).entryList({QStringLiteral("foglio-*.png")}, QDir::Files, QDir::Name))
        sheets.append(QImage(QDir(folder).filePath(name)));
    return sheets;
}

// The part of a sheet that is not white paper.
QRect inkedArea(const QImage &sheet)
{
    QRect area;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x)
            if (qGray(sheet.pixel(x, y)) < 235)
                area |= QRect(x, y, 1, 1);
    return area;
}

QPrinter *pdfPrinter(const QString &path, int resolution)
{
    auto *printer = new QPrinter(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setResolution(resolution);
    return printer;
}

const QSize portrait(210, 297);

} // namespace

class TestScorePrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sheets_data();
    void sheets();
    void drawnAtThePrintersResolution_data();
    void drawnAtThePrintersResolution();
};

void TestScorePrinter::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        QSKIP("pdftoppm and pdfimages (poppler-utils) are needed to read the printed PDF back");
}

void TestScorePrinter::sheets_data()
{
    // Page files as "7L red 210x297"; "placeholder" is a byte copy of m.jpg, "broken" a
    // file that is no picture.
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("colours");     // of the sheets, in order
    QTest::addColumn<QStringList>("leftOut");     // missing() then the unreadable pages

    QTest::newRow("in the order asked, left before right")
        << QList<int>{2, 1} << QStringList{"1L blue", "1R yellow", "2L red", "2R green"}
        << QStringList{"red", "green", "blue", "yellow"} << QStringList();
    QTest::newRow("placeholder as right page")
        << QList<int>{3} << QStringList{"3L red", "3R placeholder"} << QStringList{"red"}
        << QStringList{"spartito 3, pagina di destra"};
    QTest::newRow("missing and broken pages")
        << QList<int>{4, 5} << QStringList{"4R cyan", "5L broken", "5R green"} << QStringList{"cyan", "green"}
        << QStringList{"spartito 4, pagina di sinistra", "spartito 5, pagina di sinistra"};
    QTest::newRow("proportions of a landscape and a narrow page")
        << QList<int>{6} << QStringList{"6L blue 400x100", "6R red 100x400"} << QStringList{"blue", "red"}
        << QStringList();
}

void TestScorePrinter::sheets()
{
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, files);
    QFETCH(QStringList, colours);
    QFETCH(QStringList, leftOut);

    QTemporaryDir dir;
    const CatalogueFolder folder(dir.filePath(QStringLiteral("spartiti")));
    QVERIFY(QDir().mkpath(folder.path()));
    writePage(folder.placeholderPage(), Qt::magenta, portrait);
    QHash<QString, QSize> sizes;
    for (const QString &described : files) {
        const QStringList words = described.split(QLatin1Char(' '));
        const QString path = folder.file(words[0] + QStringLiteral(".jpg"));
        if (words[1] == QLatin1String("placeholder")) {
            QVERIFY(QFile::copy(folder.placeholderPage(), path));
        } else if (words[1] == QLatin1String("broken")) {
            testsupport::writeFile(path, "not a picture");
        } else {
            const QStringList wh = words.value(2, QStringLiteral("210x297")).split(QLatin1Char('x'));
            sizes[words[1]] = QSize(wh[0].toInt(), wh[1].toInt());
            writePage(path, QColor::fromString(words[1]), sizes[words[1]]);
        }
    }

    const ScorePrinter printer(folder, numbers);
    const QString pdf = dir.filePath(QStringLiteral("pagine.pdf"));
    std::unique_ptr<QPrinter> device(pdfPrinter(pdf, 1200));
    const ScorePrinter::Outcome outcome = printer.print(*device);
    device.reset();   // the file is complete once the printer is gone
    QVERIFY(!outcome.error);
    QCOMPARE(outcome.printed, colours.size());
    QStringList named = printer.missing();
    for (const QString &unreadable : outcome.unreadable)
        named.append(unreadable.section(QLatin1Char(':'), 0, 0));
    QCOMPARE(named, leftOut);

    const QList<QImage> sheets = renderedSheets(pdf, dir.path());
    QCOMPARE(sheets.size(), colours.size());
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const QImage &sheet = sheets[i];
        const QRect inked = inkedArea(sheet);
        QVERIFY2(near(sheet.pixelColor(inked.center()), QColor::fromString(colours[i])), qPrintable(colours[i]));
        // Whole and in proportion: as wide or as tall as the printable area allows.
        const QSize page = sizes[colours[i]];
        const double expected = double(page.width()) / page.height();
        const double drawn = double(inked.width()) / inked.height();
        QVERIFY2(std::abs(drawn / expected - 1) < 0.08, qPrintable(QStringLiteral("%1 vs %2").arg(drawn).arg(expected)));
        QVERIFY(inked.width() > sheet.width() * 0.8 || inked.height() > sheet.height() * 0.8);
    }
}

void TestScorePrinter::drawnAtThePrintersResolution_data()
{
    // A 1000 x 1414 scan fills an A4 sheet at about 120 dpi.
    QTest::addColumn<QSize>("scan");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("smallest");
    QTest::addColumn<int>("largest");
    QTest::newRow("finer printer: the scan's own pixels") << QSize(1000, 1414) << 1200 << 1000 << 1000;
    QTest::newRow("coarser printer: its pixels, no more") << QSize(1000, 1414) << 72 << 520 << 600;
    // Past Qt's default allocation limit of 128 MB when decoded whole.
    QTest::newRow("A4 scanned at 600 dpi, printed at 600") << QSize(4960, 7016) << 600 << 4600 << 4960;
}

void TestScorePrinter::drawnAtThePrintersResolution()
{
    QFETCH(QSize, scan);
    QFETCH(int, resolution);
    QFETCH(int, smallest);
    QFETCH(int, largest);
    QTemporaryDir dir;
    const CatalogueFolder folder(dir.filePath(QStringLiteral("spartiti")));
    QVERIFY(QDir().mkpath(folder.path()));
    writePage(folder.leftPage(1), Qt::darkGreen, scan);

    const QString pdf = dir.filePath(QStringLiteral("pagine.pdf"));
    std::unique_ptr<QPrinter> device(pdfPrinter(pdf, resolution));
    QCOMPARE(ScorePrinter(folder, {1}).print(*device).printed, 1);
    device.reset();
    // pdfimages -list: a header, a rule, then "page num type width height ..." per image.
    const QList<QByteArray> lines = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n');
    QVERIFY(lines.size() >= 3);
    const QList<QByteArray> fields = lines[2].simplified().split(' ');
    const int width = fields.value(3).toInt();
    QVERIFY2(width >= smallest && width <= largest, lines[2].constData());
}

QTEST_MAIN(TestScorePrinter)
#include "tst_scoreprinter.moc"
