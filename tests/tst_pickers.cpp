#include "browsertesting.h"
#include "pagepicker.h"
#include "previewpane.h"

#include <QSemaphore>
#include <QTreeView>

#include <sys/stat.h>

using namespace spartiti;
using namespace browsertesting;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// The placeholder, the pages of score 12 (seen by the editor), and in pick/ a page, a text and a dot-file.
struct Pickers : AttachFixture
{
    explicit Pickers(int current = 12)
        : AttachFixture(current)
    {
        for (const char *name : {"spartiti/m.jpg", "spartiti/12L.jpg", "spartiti/12R.jpg", "pick/scelto.jpg",
                                 "pick/altro.txt", "pick/.nascosto"})
            writeFile(file(QLatin1String(name)), name);
        document.noteFilesSeen(current);
    }
};

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

private slots:
    void previewThenOk_data()
    {
        QTest::addColumn<bool>("left");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("change");    // made to the chosen file before "Ok"
        QTest::addColumn<QString>("warning");   // the one warning starts with this; empty: success
        const QString notPicture = QStringLiteral("Questo file non è un'immagine: verrà copiato così com'è.");
        const QString gone = QStringLiteral("Prima devi selezionare un file!");
        QTest::newRow("sinistra, a JPEG page") << true << "pagina.jpg" << "300 × 500 pixel" << "" << "";
        QTest::newRow("destra, a PNG under another name") << false << "pagina.dat" << "640 × 480 pixel" << "" << "";
        QTest::newRow("destra, an empty file")
            << false << "vuota.jpg" << "Pagina vuota: il file verrà copiato così com'è." << "" << "";
        QTest::newRow("sinistra, a text file, no placeholder: the left page stays")
            << true << "altro.txt" << notPicture << "placeholder removed"
            << "La pagina di sinistra dello spartito 12 è stata allegata, ma";
        QTest::newRow("destra, chosen file deleted") << false << "altro.txt" << notPicture << "deleted" << gone;
        QTest::newRow("sinistra, chosen file replaced by a FIFO") << true << "altro.txt" << notPicture << "fifo" << gone;
    }
    // The preview says what the file is; "Ok" copies it whatever it is, tells the editor and
    // hides on success only. A chosen file that goes stays chosen, Label1 says so, "Ok" does nothing.
    void previewThenOk()
    {
        QFETCH(bool, left);
        QFETCH(QString, file);
        QFETCH(QString, info);
        QFETCH(QString, change);
        QFETCH(QString, warning);
        Pickers f;
        QImage page(300, 500, QImage::Format_RGB32);
        QVERIFY(page.save(f.file(QStringLiteral("pick/pagina.jpg")), "JPEG"));
        QVERIFY(page.scaled(640, 480).save(f.file(QStringLiteral("pick/pagina.dat")), "PNG"));
        writeFile(f.file(QStringLiteral("pick/vuota.jpg")), QByteArray());
        PagePicker *picker = f.openPicker(left);
        auto *preview = picker->findChild<QLabel *>("anteprima");
        f.choose(picker, file);
        QTRY_COMPARE(label(picker, "anteprimaInfo"), info);
        // A picture is fitted into the column with its proportions kept.
        const QSize own = file.endsWith(QStringLiteral(".jpg")) ? QSize(300, 500) : QSize(640, 480);
        QCOMPARE(preview->pixmap().deviceIndependentSize().toSize(),
                 info.endsWith(QStringLiteral("pixel")) ? own.scaled(preview->contentsRect().size(), Qt::KeepAspectRatio) : QSize(0, 0));
        const QString target = left ? f.document.folder().leftPage(12) : f.document.folder().rightPage(12);
        const QString chosen = f.file(QStringLiteral("pick/") + file);
        const bool isGone = warning.startsWith(QStringLiteral("Prima"));
        const QByteArray expected = readFile(isGone ? target : chosen);
        QVERIFY(change.isEmpty() || QFile::remove(change.startsWith(QLatin1Char('p')) ? f.document.folder().placeholderPage() : chosen));
        if (change == QStringLiteral("fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(chosen).constData(), 0600), 0);
        if (isGone) {
            QTRY_COMPARE(label(picker, "Label1"), QStringLiteral("File non più presente: ") + file);
            QTRY_COMPARE(label(picker, "anteprimaInfo"), QString());
        }
        f.click(picker, "Command2");
        QCOMPARE(readFile(target), expected);
        QCOMPARE(QList<QVariantList>(f.attached), isGone ? QList<QVariantList>() : QList<QVariantList>{{12}});
        QCOMPARE(picker->isVisible(), !warning.isEmpty());
        const QStringList success{QStringLiteral("il file è stato spostato nella cartella spartiti con successo!")};
        QCOMPARE(f.notifier.informed, warning.isEmpty() ? success : QStringList());
        const QStringList &warned = f.notifier.warned;
        QVERIFY2(warning.isEmpty() ? warned.isEmpty() : warned.size() == 1 && warned[0].startsWith(warning), qPrintable(warned.join('\n')));
    }
    // A picker follows the editor's score; a key chooses a file, the focus alone does not; hidden it keeps its
    // choice, closed it is discarded. The late picture of an earlier choice never shows beside a newer name.
    void followsTheScoreKeepsItsChoiceUntilClosed()
    {
        Pickers f(5);
        QPointer<PagePicker> right = f.openPicker(false);
        QListView *list = right->browser()->fileList();
        QVERIFY(QTest::qWaitForWindowActive(right));
        waitForFile(right->browser(), f.pickFolder(), QStringLiteral("scelto.jpg"));   // no dot-file listed
        right->browser()->folderList()->setFocus();
        list->setFocus();
        QCOMPARE(QApplication::focusWidget(), list);
        QCOMPARE(right->chosenPath(), QString());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        const QString chosen = right->browser()->fileModel()->filePath(list->currentIndex());
        QVERIFY(chosen.startsWith(f.pickFolder()));
        QCOMPARE(right->chosenPath(), chosen);
        QCOMPARE(label(right, "Label1"), QDir::toNativeSeparators(chosen));
        f.click(right, "Command1");
        QVERIFY(!right->isVisible());
        PagePicker *left = f.openPicker(true);
        QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 5"));
        QCOMPARE(f.openPicker(true), left);   // a second press makes no second window
        // The editor moves on while the right picker is hidden and the left one open.
        f.state.setCurrentNumber(9);
        QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 9"));
        QCOMPARE(f.openPicker(false), right.data());
        QCOMPARE(label(right, "Label2"), QStringLiteral("9"));
        QCOMPARE(right->chosenPath(), chosen);
        QCOMPARE(right->browser()->folder(), f.pickFolder());
        f.click(right, "Command2");
        QCOMPARE(readFile(f.document.folder().rightPage(9)), readFile(chosen));
        QSemaphore started, mayEnd;   // the worker decodes one file at a time
        const auto letGo = qScopeGuard([&] { mayEnd.release(10); });   // before the window waits for the worker
        auto *pane = left->findChild<PreviewPane *>();
        pane->setDecoder([&](const QString &path, const QSize &box) {
            started.release();
            mayEnd.acquire();
            return previewFile(path, box);
        });
        f.choose(left, QStringLiteral("scelto.jpg"));
        QVERIFY(started.tryAcquire(1, 5000));
        f.choose(left, QStringLiteral("altro.txt"));
        mayEnd.release();
        QTRY_COMPARE(pane->pendingDecodes(), 1);   // the first answer is in, the second not
        QCOMPARE(label(left, "anteprimaInfo"), QString());
        mayEnd.release();
        QTRY_COMPARE(label(left, "anteprimaInfo"), QStringLiteral("Questo file non è un'immagine: verrà copiato così com'è."));
        f.openPicker(false);
        QVERIFY(right->close());   // the title bar's close button
        PagePicker *second = f.openPicker(false);   // before the old one is even deleted
        QCOMPARE(second->chosenPath(), QString());
        QCOMPARE(second->browser()->folder(), f.folder.path());
    }
};

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
