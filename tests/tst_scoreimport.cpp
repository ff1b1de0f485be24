// Importing a PDF or images as new scores: how pages pair into records and what they are
// called, what an import appended or inserted leaves in the archive and the folder, that a
// cancel or a failing page leaves everything as it was, and the files that are refused.

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
#include <QProcess>
#include <QStandardPaths>
#include <QUndoStack>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr int Dpi = 50;   // small pages keep the tests quick

// A PDF of A4 pages, page p filled with grey 20 + 30 p so that its place can be read back.
void writePdf(const QString &path, int pages, const QPageSize &size = QPageSize(QPageSize::A4))
{
    QPdfWriter writer(path);
    writer.setPageSize(size);
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

// Everything under `root` but the archive's dated copies.
filesnapshot::FileMap snapshot(const QString &root)
{
    filesnapshot::FileMap files = filesnapshot::snapshot(root);
    files.removeIf([](const auto &entry) { return entry.key().startsWith(QLatin1String("backup")); });
    return files;
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

    // The editor's path without its dialogs.
    std::optional<Error> import(const QStringList &files, int position, ImportControl &control)
    {
        QList<ImportPage> pages;
        if (auto error = scoreimport::listPages(files, Dpi, pages))
            return error;
        const QList<ImportedRecord> planned = scoreimport::pairPages(int(pages.size()), QStringLiteral("Notturno"));
        if (auto error = scoreimport::checkRoom(document->catalogue().scoreCount(), int(planned.size())))
            return error;
        QString staging;
        if (auto error = stageImport(folder, pages, planned, Dpi, control, staging))
            return error;
        const ImportDetails details{QStringLiteral("Notturno"), QStringLiteral("Chopin"), QString(), 4};
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
    void importPdf_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("titles");   // of the whole catalogue afterwards
        QTest::newRow("1 page appended") << 1 << 3 << QStringList{"Titolo 1", "Titolo 2", "Notturno"};
        QTest::newRow("2 pages appended") << 2 << 3 << QStringList{"Titolo 1", "Titolo 2", "Notturno"};
        QTest::newRow("3 pages appended") << 3 << 3 << QStringList{"Titolo 1", "Titolo 2", "Notturno 1", "Notturno 2"};
        QTest::newRow("5 pages inserted") << 5 << 2
                                          << QStringList{"Titolo 1", "Notturno 1", "Notturno 2", "Notturno 3", "Titolo 2"};
    }
    void importPdf()
    {
        QFETCH(int, pages);
        QFETCH(int, position);
        QFETCH(QStringList, titles);
        Catalogue c(2);
        const auto before = snapshot(c.folder.path());
        const QString pdf = c.input(QStringLiteral("notturno.pdf"));
        writePdf(pdf, pages);
        ImportControl control;
        const auto error = c.import({pdf}, position, control);
        QVERIFY2(!error, qPrintable(error ? error->message : QString()));

        ScoreCatalogue onDisk;
        QVERIFY(!readArchive(onDisk, c.folder.archive()));
        QStringList found;
        for (int k = 1; k <= onDisk.scoreCount(); ++k) {
            QCOMPARE(onDisk.number(k), QString::number(k));
            found.append(onDisk.title(k));
        }
        QCOMPARE(found, titles);
        QCOMPARE(onDisk.author(position), QStringLiteral("Chopin"));
        QCOMPARE(onDisk.category(position), QStringLiteral("4"));
        // Page p is on its record's side, in order; an odd last page has the placeholder.
        for (int p = 0; p < pages; ++p) {
            const int number = position + p / 2;
            const QString file = p % 2 ? c.folder.rightPage(number) : c.folder.leftPage(number);
            QVERIFY2(qAbs(greyAtCentre(file) - (20 + 30 * p)) <= 3, qPrintable(file));
        }
        if (pages % 2)
            QCOMPARE(readFile(c.folder.rightPage(position + pages / 2)), readFile(c.folder.placeholderPage()));
        // The score that was at `position` moved past the new ones with its pages.
        const int moved = position + (pages + 1) / 2;
        if (moved <= onDisk.scoreCount()) {
            QCOMPARE(readFile(c.folder.leftPage(moved)), QByteArray("sinistra 2"));
            QCOMPARE(readFile(c.folder.rightPage(moved)), QByteArray("destra 2"));
        }
        QCOMPARE(c.document->catalogue().scoreCount(), onDisk.scoreCount());
        QVERIFY(!QDir(c.folder.path()).entryList({".importa-*"}, QDir::Dirs | QDir::Hidden).size());

        // One undo step takes the whole import away; the pages go to "eliminati".
        QCOMPARE(c.document->history()->count(), 1);
        c.document->history()->undo();
        auto after = snapshot(c.folder.path());
        after.removeIf([](const auto &entry) { return entry.key().startsWith(QLatin1String("eliminati")); });
        QCOMPARE(after, before);
        // Redo brings the same scores back with their pages, from "eliminati".
        c.document->history()->redo();
        QCOMPARE(c.document->catalogue().title(position), titles[position - 1]);
        QVERIFY(qAbs(greyAtCentre(c.folder.leftPage(position)) - 20) <= 3);
    }

    void jpegCopiedAndPngConverted()
    {
        Catalogue c(1);
        const QString jpeg = c.input(QStringLiteral("pagina 10.jpg"));
        const QString png = c.input(QStringLiteral("pagina 9.png"));
        QImage page(80, 120, QImage::Format_ARGB32);
        page.fill(Qt::transparent);
        QVERIFY(page.save(png));
        page.fill(Qt::darkGray);
        QVERIFY(page.save(jpeg, "jpeg", 50));
        ImportControl control;
        QVERIFY(!c.import(scoreimport::inImportOrder({jpeg, png}), 2, control));
        // Taken in the order a person reads the names: 9 before 10.
        QCOMPARE(readFile(c.folder.rightPage(2)), readFile(jpeg));
        QCOMPARE(QImageReader(c.folder.leftPage(2)).format(), QByteArray("jpeg"));
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
        if (!cancel) {   // the header still reads, the picture does not
            const QByteArray whole = readFile(files[2]);
            writeFile(files[2], whole.left(whole.size() / 2));
        }
        const auto before = snapshot(c.folder.path());
        ImportControl control;
        if (cancel)
            control.pageDone = [&control](int) { control.cancelled = true; };
        const auto error = c.import(files, 3, control);
        QVERIFY(error);
        QCOMPARE(error->kind, cancel ? Error::Kind::Cancelled : Error::Kind::Io);
        QCOMPARE(snapshot(c.folder.path()), before);
        QCOMPARE(c.document->catalogue().scoreCount(), 2);
        QCOMPARE(c.document->history()->count(), 0);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("make");
        QTest::addColumn<QString>("says");
        QTest::newRow("encrypted") << "segreto.pdf" << "encrypted" << "password";
        QTest::newRow("truncated") << "rotto.pdf" << "truncated" << "troncato";
        QTest::newRow("png named pdf") << "finto.pdf" << "png" << "non è un PDF";
        QTest::newRow("png named jpg") << "finto.jpg" << "png" << "il contenuto è un'immagine PNG";
        QTest::newRow("page too large") << "enorme.pdf" << "huge" << "troppo grande";
        QTest::newRow("text file") << "note.txt" << "png" << "solo PDF e immagini";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QString, make);
        Catalogue c(1);
        const QString path = c.input(name);
        if (make == QLatin1String("png")) {
            QImage(10, 10, QImage::Format_RGB32).save(path, "png");
        } else if (make == QLatin1String("huge")) {
            writePdf(path, 1, QPageSize(QSizeF(5000, 5000), QPageSize::Millimeter));
        } else if (make == QLatin1String("truncated")) {
            writePdf(path, 3);
            const QByteArray whole = readFile(path);
            writeFile(path, whole.left(whole.size() * 2 / 3));
        } else {
            const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
            if (qpdf.isEmpty())
                QSKIP("qpdf is not installed (Debian package qpdf)");
            const QString plain = c.input(QStringLiteral("chiaro.pdf"));
            writePdf(plain, 2);
            QCOMPARE(QProcess::execute(qpdf, {"--encrypt", "utente", "padrone", "256", "--", plain, path}), 0);
        }
        const auto before = snapshot(c.folder.path());
        QList<ImportPage> pages;
        const auto error = scoreimport::listPages({path}, scoreimport::DefaultDpi, pages);
        QVERIFY(error);
        QFETCH(QString, says);
        QVERIFY2(error->message.contains(says), qPrintable(error->message));
        QCOMPARE(snapshot(c.folder.path()), before);
    }

    void tooManyRecords()
    {
        QVERIFY(!scoreimport::checkRoom(ScoreCatalogue::MaxArchiveRecords - 3, 3));
        const auto error = scoreimport::checkRoom(ScoreCatalogue::MaxArchiveRecords - 3, 4);
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::TooManyRecords);
    }
};

QTEST_MAIN(TestScoreImport)
#include "tst_scoreimport.moc"
