// Importing a PDF or images as new scores: pairing, naming, placing, undo, and what is refused.

#include "archive.h"
#include "cataloguedocument.h"
#include "filesnapshot.h"
#include "importstager.h"
#include "module1.h"
#include "newcatalogue.h"
#include "scoreimport.h"
#include "testsupport.h"

#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QUndoStack>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr int Dpi = 50;   // small pages keep the tests quick

// A PDF of A4 pages, page p filled with grey 20 + 30 p so that its place can be read back.
void writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins({});
    QPainter painter(&writer);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        painter.fillRect(painter.viewport(), QColor::fromRgb(20 + 30 * p, 20 + 30 * p, 20 + 30 * p));
    }
}

int greyAtCentre(const QString &path)
{
    const QImage image(path);
    return image.isNull() ? -1 : qGray(image.pixel(image.width() / 2, image.height() / 2));
}

// A catalogue of `count` scores, each with its two pages holding their own names.
struct Catalogue
{
    QTemporaryDir dir;
    CatalogueFolder folder;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    std::unique_ptr<CatalogueDocument> document;

    explicit Catalogue(int count)
    {
        if (createCatalogue(dir.path(), folder))
            qFatal("cannot make a catalogue in %s", qPrintable(dir.path()));
        writeFile(folder.archive(), testsupport::archiveBytes(testsupport::numberedRecords(count)));
        for (int k = 1; k <= count; ++k) {
            writeFile(folder.leftPage(k), "sinistra " + QByteArray::number(k));
            writeFile(folder.rightPage(k), "destra " + QByteArray::number(k));
        }
        document = std::make_unique<CatalogueDocument>(folder, state, notifier);
        QVERIFY(!document->load());
    }

    QString input(const QString &name) const { return dir.filePath(name); }
    // Everything in the data folder but the archive's dated copies and, when asked, the deleted files.
    filesnapshot::FileMap files(bool withDeleted = true) const
    {
        filesnapshot::FileMap files = filesnapshot::snapshot(folder.path());
        files.removeIf([&](const auto &entry) {
            return entry.key().startsWith("backup") || (!withDeleted && entry.key().startsWith("eliminati"));
        });
        return files;
    }

    // The editor's path without its dialogs.
    std::optional<Error> import(const QStringList &files, int position, ImportControl &control)
    {
        QList<ImportPage> pages;
        if (auto error = scoreimport::listPages(files, Dpi, pages))
            return error;
        const QList<ImportedRecord> planned = scoreimport::pairPages(int(pages.size()), "Notturno");
        if (auto error = scoreimport::checkRoom(document->catalogue().scoreCount(), int(planned.size())))
            return error;
        QString staging;
        if (auto error = stageImport(folder, pages, planned, Dpi, control, staging))
            return error;
        const ImportDetails details{"Notturno", "Chopin", QString(), 4};
        if (!document->importStaged(position, scoreimport::archiveRecords(planned, details, position), staging))
            return Error{Error::Kind::Io, notifier.warned.value(0)};
        return std::nullopt;
    }
};

} // namespace

class TestScoreImport : public QObject
{
    Q_OBJECT

private slots:
    // Five pages inserted before score 2: three records, the last with the placeholder.
    void importPdf()
    {
        const int pages = 5, position = 2;
        Catalogue c(2);
        const auto before = c.files();
        writePdf(c.input("notturno.pdf"), pages);
        ImportControl control;
        const auto error = c.import({c.input("notturno.pdf")}, position, control);
        QVERIFY2(!error, qPrintable(error ? error->message : QString()));
        ScoreCatalogue onDisk;
        QVERIFY(!readArchive(onDisk, c.folder.archive()));
        QStringList found;
        for (int k = 1; k <= onDisk.scoreCount(); ++k)
            found.append(onDisk.number(k) == QString::number(k) ? onDisk.title(k) : "number " + onDisk.number(k));
        QCOMPARE(found, QStringList({"Titolo 1", "Notturno 1", "Notturno 2", "Notturno 3", "Titolo 2"}));
        QCOMPARE(onDisk.author(position) + '|' + onDisk.category(position), "Chopin|4");
        // Page p on its record's side, in order.
        for (int p = 0; p < pages; ++p) {
            const QString file = p % 2 ? c.folder.rightPage(position + p / 2) : c.folder.leftPage(position + p / 2);
            QVERIFY2(qAbs(greyAtCentre(file) - (20 + 30 * p)) <= 3, qPrintable(file));
        }
        QCOMPARE(readFile(c.folder.rightPage(4)), readFile(c.folder.placeholderPage()));
        // The score that was second moved past the new ones with its pages.
        QCOMPARE(readFile(c.folder.leftPage(5)) + readFile(c.folder.rightPage(5)), "sinistra 2destra 2");
        QCOMPARE(QDir(c.folder.path()).entryList({".importa-*"}, QDir::Dirs | QDir::Hidden), QStringList());
        // One undo takes the whole import away, its pages to "eliminati"; redo brings them back.
        c.document->history()->undo();
        QCOMPARE(c.files(false), before);
        c.document->history()->redo();
        QVERIFY(qAbs(greyAtCentre(c.folder.leftPage(position)) - 20) <= 3);
    }
    void jpegCopiedAndPngConverted()
    {
        Catalogue c(1);
        QImage page(80, 120, QImage::Format_ARGB32);
        page.fill(Qt::transparent);
        QVERIFY(page.save(c.input("pagina 9.png")));
        page.fill(Qt::darkGray);
        QVERIFY(page.save(c.input("pagina 10.jpg"), "jpeg", 50));
        ImportControl control;
        QVERIFY(!c.import(scoreimport::inImportOrder({c.input("pagina 10.jpg"), c.input("pagina 9.png")}), 2, control));
        // Taken in the order a person reads the names: 9 before 10.
        QCOMPARE(readFile(c.folder.rightPage(2)), readFile(c.input("pagina 10.jpg")));
        QCOMPARE(QImageReader(c.folder.leftPage(2)).format(), "jpeg");
        QCOMPARE(greyAtCentre(c.folder.leftPage(2)), 255);   // transparent became white paper
    }
    void cancelOrFailingPageChangesNothing_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled after the first page") << true;
        QTest::newRow("the third page is damaged") << false;
    }
    void cancelOrFailingPageChangesNothing()
    {
        QFETCH(bool, cancel);
        Catalogue c(2);
        QStringList files;
        for (int i = 1; i <= 4; ++i) {
            files.append(c.input(QStringLiteral("%1.png").arg(i)));
            QImage(60, 60, QImage::Format_RGB32).save(files.last());
        }
        if (!cancel)   // the header still reads, the picture does not
            writeFile(files[2], readFile(files[2]).chopped(readFile(files[2]).size() / 2));
        const auto before = c.files();
        ImportControl control;
        if (cancel)
            control.pageDone = [&control](int) { control.cancelled = true; };
        QCOMPARE(c.import(files, 3, control).value_or(Error{}).kind,
                 cancel ? Error::Kind::Cancelled : Error::Kind::Io);
        QCOMPARE(c.files(), before);
        QCOMPARE(c.document->catalogue().scoreCount(), 2);
    }
    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("truncated") << "rotto.pdf" << "troncato";
        QTest::newRow("png named pdf") << "finto.pdf" << "non è un PDF";
        QTest::newRow("text file") << "note.txt" << "solo PDF e immagini";
    }
    void refused()
    {
        QFETCH(QString, name);
        Catalogue c(1);
        const QString path = c.input(name);
        if (name.startsWith("finto") || name == "note.txt") {
            QImage(10, 10, QImage::Format_RGB32).save(path, "png");
        } else {
            writePdf(path, 3);
            writeFile(path, readFile(path).first(readFile(path).size() * 2 / 3));
        }
        QList<ImportPage> pages;
        const auto error = scoreimport::listPages({path}, scoreimport::DefaultDpi, pages);
        QFETCH(QString, says);
        QVERIFY2(error && error->message.contains(says), qPrintable(error ? error->message : QString()));
    }
    void tooManyRecords()
    {
        QVERIFY(!scoreimport::checkRoom(ScoreCatalogue::MaxArchiveRecords - 3, 3));
        QCOMPARE(scoreimport::checkRoom(ScoreCatalogue::MaxArchiveRecords - 3, 4).value_or(Error{}).kind,
                 Error::Kind::TooManyRecords);
    }
};

QTEST_MAIN(TestScoreImport)
#include "tst_scoreimport.moc"
