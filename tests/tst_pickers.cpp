#include "browsertesting.h"
#include "pagepicker.h"
#include "previewpane.h"

#include <QImage>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTreeView>

#include <sys/stat.h>

using namespace spartiti;
using namespace browsertesting;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

const QString success = QStringLiteral("il file è stato spostato nella cartella spartiti con successo!");

// The placeholder, the pages of score 12, and in pick/ a page, a text and a dot-file.
struct Pickers : AttachFixture
{
    explicit Pickers(int current = 12)
        : AttachFixture(current)
    {
        writeFile(file(QStringLiteral("spartiti/m.jpg")), "placeholder");
        writeFile(file(QStringLiteral("spartiti/12L.jpg")), "old left");
        writeFile(file(QStringLiteral("spartiti/12R.jpg")), "old right");
        writeFile(file(QStringLiteral("pick/scelto.jpg")), "a page");
        writeFile(file(QStringLiteral("pick/altro.txt")), "not a picture");
        writeFile(file(QStringLiteral("pick/.nascosto")), "hidden");
        // The editor showed the score on show with its pages.
        document.noteFilesSeen(current);
    }
};

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

private slots:
    void previewThenOk_data();
    void previewThenOk();
    void followsTheScoreKeepsItsChoiceUntilClosed();
    void choosingAFile();
    void lateDecodeIsNotShown();
};

void TestPickers::previewThenOk_data()
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
void TestPickers::previewThenOk()
{
    QFETCH(bool, left);
    QFETCH(QString, file);
    QFETCH(QString, info);
    QFETCH(QString, change);
    QFETCH(QString, warning);
    Pickers f;
    QImage page(300, 500, QImage::Format_RGB32);
    page.fill(Qt::white);
    QVERIFY(page.save(f.file(QStringLiteral("pick/pagina.jpg")), "JPEG"));
    QVERIFY(page.scaled(640, 480).save(f.file(QStringLiteral("pick/pagina.dat")), "PNG"));
    writeFile(f.file(QStringLiteral("pick/vuota.jpg")), QByteArray());
    PagePicker *picker = f.openPicker(left);
    auto *preview = picker->findChild<QLabel *>("anteprima");
    QVERIFY(preview && preview->pixmap().isNull());

    f.choose(picker, file);
    QTRY_COMPARE(label(picker, "anteprimaInfo"), info);
    const QPixmap shown = preview->pixmap();
    QCOMPARE(shown.isNull(), !info.endsWith(QStringLiteral("pixel")));
    if (!shown.isNull()) {
        // Fitted into the column with the picture's proportions.
        const QSize size = shown.deviceIndependentSize().toSize();
        QCOMPARE(size.boundedTo(preview->contentsRect().size()), size);
        const QSize own = file.endsWith(QStringLiteral(".jpg")) ? QSize(300, 500) : QSize(640, 480);
        QVERIFY(qAbs(size.width() * own.height() - size.height() * own.width()) <= own.width());
    }
    const QString target = left ? f.document.folder().leftPage(12) : f.document.folder().rightPage(12);
    const QString chosen = f.file(QStringLiteral("pick/") + file);
    const bool isGone = warning == QStringLiteral("Prima devi selezionare un file!");
    const QByteArray expected = readFile(isGone ? target : chosen);
    if (change == QStringLiteral("placeholder removed"))
        QVERIFY(QFile::remove(f.document.folder().placeholderPage()));
    else if (!change.isEmpty())
        QVERIFY(QFile::remove(chosen));
    if (change == QStringLiteral("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(chosen).constData(), 0600), 0);
    if (isGone) {
        QTRY_COMPARE(label(picker, "Label1"), QStringLiteral("File non più presente: ") + file);
        QCOMPARE(picker->chosenPath(), chosen);
        QTRY_COMPARE(label(picker, "anteprimaInfo"), QString());
    }

    f.click(picker, "Command2");
    QCOMPARE(readFile(target), expected);
    QCOMPARE(f.attached.size(), isGone ? 0 : 1);
    QCOMPARE(f.attached.value(0).value(0).toInt(), isGone ? 0 : 12);
    QCOMPARE(picker->isVisible(), !warning.isEmpty());
    QCOMPARE(f.notifier.informed, warning.isEmpty() ? QStringList{success} : QStringList());
    QCOMPARE(f.notifier.warned.size(), warning.isEmpty() ? 0 : 1);
    QVERIFY2(warning.isEmpty() || f.notifier.warned.value(0).startsWith(warning), qPrintable(f.notifier.warned.value(0)));
}

// A picker names the score "Ok" writes and follows the editor; hidden it keeps its choice,
// closed it is discarded.
void TestPickers::followsTheScoreKeepsItsChoiceUntilClosed()
{
    Pickers f(5);
    QPointer<PagePicker> right = f.openPicker(false);
    PagePicker *left = f.openPicker(true);
    QCOMPARE(label(right, "Label2"), QStringLiteral("5"));
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 5"));
    f.choose(right.data(), QStringLiteral("scelto.jpg"));
    const QString chosen = right->chosenPath();
    QVERIFY(!chosen.isEmpty());
    f.click(right, "Command1");
    QVERIFY(!right->isVisible());
    QCOMPARE(f.openPicker(true), left);       // a second press makes no second window

    // The editor moves on while the right picker is hidden and the left one open.
    f.state.setCurrentNumber(9);
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 9"));
    QCOMPARE(f.openPicker(false), right.data()); // the same window, as it was left
    QCOMPARE(label(right, "Label2"), QStringLiteral("9"));
    QCOMPARE(right->chosenPath(), chosen);
    QCOMPARE(right->browser()->folder(), f.pickFolder());
    f.click(right, "Command2");
    QCOMPARE(readFile(f.document.folder().rightPage(9)), readFile(chosen));
    QVERIFY(!QFile::exists(f.document.folder().rightPage(5)));

    f.openPicker(false);
    QVERIFY(right->close());                  // the title bar's close button
    QCOMPARE(f.windows.rightPicker(), nullptr);
    PagePicker *second = f.openPicker(false); // before the old one is even deleted
    QVERIFY(second != right.data());
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(second->browser()->folder(), f.folder.path());
    QTRY_VERIFY(right.isNull());
}

// The file list shows files only; taking the focus chooses nothing, a key does.
void TestPickers::choosingAFile()
{
    Pickers f;
    PagePicker *picker = f.openPicker(false);
    FolderBrowser *browser = picker->browser();
    QListView *list = browser->fileList();
    QVERIFY(QTest::qWaitForWindowActive(picker));
    waitForFile(browser, f.pickFolder(), QStringLiteral("scelto.jpg"));
    QCOMPARE(browser->fileModel()->rowCount(list->rootIndex()), 2);   // no dot-file, no folder

    browser->folderList()->setFocus();
    list->setFocus();
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(picker->chosenPath(), QString());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    const QString current = browser->fileModel()->filePath(list->currentIndex());
    QVERIFY(current.startsWith(f.pickFolder()));
    QCOMPARE(picker->chosenPath(), current);
    QCOMPARE(label(picker, "Label1"), QDir::toNativeSeparators(current));
}

// A file chosen while the previous one is still being decoded: the earlier picture,
// finished later, never shows beside the name of the newer one.
void TestPickers::lateDecodeIsNotShown()
{
    Pickers f;
    QVERIFY(QImage(300, 500, QImage::Format_RGB32).save(f.file(QStringLiteral("pick/prima.png"))));
    QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(f.file(QStringLiteral("pick/seconda.png"))));
    QSemaphore firstStarted, firstMayEnd, secondStarted, secondMayEnd;
    // Whatever fails below, the worker is let go before the window waits for it.
    const auto letGo = qScopeGuard([&] {
        firstMayEnd.release(10);
        secondMayEnd.release(10);
    });
    PagePicker *picker = f.openPicker(true);
    auto *pane = picker->findChild<PreviewPane *>();
    pane->setDecoder([&](const QString &path, const QSize &box) {
        const bool first = path.endsWith(QStringLiteral("prima.png"));
        (first ? firstStarted : secondStarted).release();
        (first ? firstMayEnd : secondMayEnd).acquire();
        return previewFile(path, box);
    });

    f.choose(picker, QStringLiteral("prima.png"));
    QVERIFY(firstStarted.tryAcquire(1, 5000));
    f.choose(picker, QStringLiteral("seconda.png"));
    firstMayEnd.release();
    QVERIFY(secondStarted.tryAcquire(1, 5000));
    QTRY_COMPARE(pane->pendingDecodes(), 1);   // the first answer is in, the second not
    QCOMPARE(label(picker, "anteprimaInfo"), QString());
    QVERIFY(picker->findChild<QLabel *>("anteprima")->pixmap().isNull());

    secondMayEnd.release();
    QTRY_COMPARE(label(picker, "anteprimaInfo"), QStringLiteral("40 × 30 pixel"));
    QCOMPARE(pane->pendingDecodes(), 0);
}

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
