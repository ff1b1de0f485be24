// Printing score pages to a PDF, read back with poppler's tools.

#include "scoreprinter.h"
#include "testsupport.h"

#include <QImage>
#include <QPrinter>
#include <QStandardPaths>

using namespace spartiti;

namespace {

void writePage(const QString &path, const QColor &colour, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "JPEG", 95));
}

} // namespace

class TestScorePrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
            QSKIP("pdftoppm (poppler-utils) is needed to read the printed PDF back");
    }
    void sheets_data()
    {
        // Page files as "7L red 210x297"; "placeholder" is a byte copy of m.jpg, "broken" no picture.
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("colours");   // of the sheets, in order
        QTest::addColumn<QStringList>("leftOut");   // missing() then the unreadable pages
        // Landscape, narrow, and past Qt's default allocation limit of 128 MB when decoded whole.
        QTest::newRow("in the order asked, left before right, in proportion") << QList<int>{2, 1}
            << QStringList{"1L blue 400x100", "1R yellow 100x400", "2L red", "2R darkGreen 4960x7016"}
            << QStringList{"red", "darkGreen", "blue", "yellow"} << QStringList();
        QTest::newRow("placeholder as right page") << QList<int>{3} << QStringList{"3L red", "3R placeholder"}
                                                   << QStringList{"red"} << QStringList{"spartito 3, pagina di destra"};
        QTest::newRow("missing and broken pages")
            << QList<int>{4, 5} << QStringList{"4R cyan", "5L broken", "5R green"} << QStringList{"cyan", "green"}
            << QStringList{"spartito 4, pagina di sinistra", "spartito 5, pagina di sinistra"};
    }
    void sheets()
    {
        QFETCH(QList<int>, numbers);
        QFETCH(QStringList, files);
        QFETCH(QStringList, colours);
        testsupport::WorkingFolder dir;
        const CatalogueFolder folder = dir.catalogue();
        writePage(folder.placeholderPage(), Qt::magenta, {210, 297});
        QHash<QString, QSize> sizes;
        for (const QString &described : files) {
            const QStringList words = described.split(' ');
            const QString path = folder.file(words[0] + ".jpg");
            const QStringList wh = words.value(2, "210x297").split('x');
            sizes[words[1]] = QSize(wh[0].toInt(), wh[1].toInt());
            if (words[1] == "placeholder")
                QVERIFY(QFile::copy(folder.placeholderPage(), path));
            else if (words[1] == "broken")
                testsupport::writeFile(path, "not a picture");
            else
                writePage(path, QColor::fromString(words[1]), sizes[words[1]]);
        }
        const ScorePrinter printer(folder, numbers);
        ScorePrinter::Outcome outcome;
        {   // the PDF is complete once its printer is gone
            QPrinter device(QPrinter::HighResolution);
            device.setOutputFormat(QPrinter::PdfFormat);
            device.setOutputFileName(dir.file("pagine.pdf"));
            device.setPageSize(QPageSize(QPageSize::A4));
            device.setResolution(1200);
            outcome = printer.print(device);
        }
        QVERIFY(!outcome.error);
        QCOMPARE(outcome.printed, colours.size());
        QStringList named = printer.missing();
        for (const QString &unreadable : outcome.unreadable)
            named.append(unreadable.section(':', 0, 0));
        QTEST(named, "leftOut");
        testsupport::runTool("pdftoppm", {"-r", "30", "-png", dir.file("pagine.pdf"), dir.file("foglio")});
        const QStringList sheets = QDir(dir.path()).entryList({"foglio-*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(sheets.size(), colours.size());
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            const QImage sheet(dir.file(sheets[i]));
            QRect inked;   // all that is not white paper
            for (int y = 0; y < sheet.height(); ++y)
                for (int x = 0; x < sheet.width(); ++x)
                    if (qGray(sheet.pixel(x, y)) < 235)
                        inked |= QRect(x, y, 1, 1);
            const QColor centre = sheet.pixelColor(inked.center()), wanted = QColor::fromString(colours[i]);
            QVERIFY2(std::abs(centre.red() - wanted.red()) < 40 && std::abs(centre.green() - wanted.green()) < 40
                         && std::abs(centre.blue() - wanted.blue()) < 40, qPrintable(colours[i]));
            // Whole and in proportion: as wide or as tall as the printable area allows.
            const QSize page = sizes[colours[i]];
            const double ratio = double(inked.width()) / inked.height() * page.height() / page.width();
            QVERIFY2(std::abs(ratio - 1) < 0.08, qPrintable(QString::number(ratio)));
            QVERIFY(inked.width() > sheet.width() * 0.8 || inked.height() > sheet.height() * 0.8);
        }
    }
};

QTEST_MAIN(TestScorePrinter)
#include "tst_scoreprinter.moc"
