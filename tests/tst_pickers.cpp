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
using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;
using testsupport::writeFile;

namespace {

const QByteArray placeholderBytes("placeholder\0\xff", 13);
const QByteArray chosenBytes("a page \0\x80\x81", 10);
const QString success = QStringLiteral("il file è stato spostato nella cartella spartiti con successo!");

// The placeholder, the pages of score 12, and in pick/ a page, a text and a dot-file.
struct Pickers : AttachFixture
{
    explicit Pickers(int current = 12)
        : AttachFixture(current)
    {
        writeFile(QStringLiteral("spartiti/m.jpg"), placeholderBytes);
        writeFile(QStringLiteral("spartiti/12L.jpg"), "old left");
        writeFile(QStringLiteral("spartiti/12R.jpg"), "old right");
        writeFile(QStringLiteral("pick/scelto.jpg"), chosenBytes);
        writeFile(QStringLiteral("pick/altro.txt"), "not a picture");
        writeFile(QStringLiteral("pick/.nascosto"), "hidden");
    }
    PagePicker *open(bool left)
    {
        if (left) {
            windows.openLeftPicker();
            return windows.leftPicker();
        }
        windows.openRightPicker();
        return windows.rightPicker();
    }
    void choose(PagePicker *picker, const QString &name) { clickFile(picker->browser(), pickFolder(), name); }
};

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(visibleTopLevels(), QStringList()); }
    void okButton_data();
    void okButton();
    void actsOnTheScoreOnShowAtOk();
    void hideKeepsStateTitleBarCloseDiscards();
    void choosingAFile();
    void chosenFileGoneAttachesNothing_data();
    void chosenFileGoneAttachesNothing();
    void previewBeforeOk_data();
    void previewBeforeOk();
    void lateDecodeIsNotShown();
};

void TestPickers::okButton_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<QString>("removeFirst");
    QTest::addColumn<FileMap>("written");
    QTest::addColumn<QString>("warning");      // the warning starts with this; empty: success
    QTest::addColumn<int>("attachedSignals");

    QTest::newRow("sinistra") << true << true << "" << FileMap{{"spartiti/12L.jpg", chosenBytes},
                                                                {"spartiti/12R.jpg", placeholderBytes}}
                              << "" << 1;
    QTest::newRow("destra") << false << true << "" << FileMap{{"spartiti/12R.jpg", chosenBytes}} << "" << 1;
    QTest::newRow("destra, nothing chosen") << false << false << "" << FileMap{}
                                            << "Prima devi selezionare un file!" << 0;
    QTest::newRow("sinistra, no placeholder: the left page stays")
        << true << true << "spartiti/m.jpg" << FileMap{{"spartiti/12L.jpg", chosenBytes}}
        << "La pagina di sinistra dello spartito 12 è stata allegata, ma" << 1;
}

// What "Ok" writes is proven byte for byte by the attach tests; here, that each picker
// reaches it, shows the outcome, and hides only on success.
void TestPickers::okButton()
{
    QFETCH(bool, left);
    QFETCH(bool, choose);
    QFETCH(QString, removeFirst);
    QFETCH(FileMap, written);
    QFETCH(QString, warning);
    QFETCH(int, attachedSignals);
    Pickers f;
    PagePicker *picker = f.open(left);
    QVERIFY(picker && picker->isVisible());
    if (choose)
        f.choose(picker, QStringLiteral("scelto.jpg"));
    if (!removeFirst.isEmpty())
        QVERIFY(QFile::remove(removeFirst));
    const FileMap expected = snapshotWith(written);

    click(picker, "Command2");
    QCOMPARE(snapshot(), expected);
    QCOMPARE(f.attached.size(), attachedSignals);
    if (attachedSignals)
        QCOMPARE(f.attached.at(0).at(0).toInt(), 12);
    if (warning.isEmpty()) {
        QCOMPARE(f.notifier.informed, QStringList{success});
        QCOMPARE(f.notifier.warned, QStringList());
        QVERIFY(!picker->isVisible());
        return;
    }
    QCOMPARE(f.notifier.warned.size(), 1);
    QVERIFY2(f.notifier.warned.first().startsWith(warning), qPrintable(f.notifier.warned.first()));
    QCOMPARE(f.notifier.informed, QStringList());
    QVERIFY(picker->isVisible());
    picker->hide();
}

void TestPickers::actsOnTheScoreOnShowAtOk()
{
    Pickers f(5);
    PagePicker *right = f.open(false);
    PagePicker *left = f.open(true);
    QCOMPARE(label(right, "Label2"), QStringLiteral("5"));
    QCOMPARE(label(left, "Label2"), QStringLiteral("Seleziona la pagina di sinistra"));
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 5"));

    f.choose(right, QStringLiteral("scelto.jpg"));
    click(right, "Command1");
    QVERIFY(!right->isVisible());
    // The editor moves on while the right picker is hidden and the left one open.
    f.state.setCurrentNumber(9);
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 9"));
    QCOMPARE(f.open(false), right);
    QCOMPARE(label(right, "Label2"), QStringLiteral("9"));
    click(right, "Command2");
    QCOMPARE(snapshot().value("spartiti/9R.jpg"), chosenBytes);
    QVERIFY(!QFile::exists(QStringLiteral("spartiti/5R.jpg")));
    left->hide();
}

void TestPickers::hideKeepsStateTitleBarCloseDiscards()
{
    Pickers f(3);
    QPointer<PagePicker> first = f.open(true);
    f.choose(first, QStringLiteral("scelto.jpg"));
    const QString chosen = first->chosenPath();
    QVERIFY(!chosen.isEmpty());

    click(first, "Command1");
    QVERIFY(!first->isVisible());
    QCOMPARE(f.open(true), first.data());   // the same window, as it was left
    QCOMPARE(first->chosenPath(), chosen);
    QCOMPARE(label(first, "Label1"), QDir::toNativeSeparators(chosen));
    QCOMPARE(first->browser()->folder(), f.pickFolder());
    f.open(true);                           // a second press makes no second window
    QCOMPARE(visibleTopLevels(), QStringList{"sinistra"});

    QVERIFY(first->close());                // the title bar's close button
    QCOMPARE(f.windows.leftPicker(), nullptr);
    PagePicker *second = f.open(true);      // before the old one is even deleted
    QVERIFY(second != first.data());
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(label(second, "Label1"), QStringLiteral("Label1"));
    QCOMPARE(second->browser()->folder(), f.folder.path());
    QTRY_VERIFY(first.isNull());
    click(second, "Command2");
    QCOMPARE(f.notifier.warned, QStringList{"Prima devi selezionare un file!"});
    second->hide();
}

// The file list shows files only; taking the focus chooses nothing, a key does, and
// opening another folder keeps the choice.
void TestPickers::choosingAFile()
{
    Pickers f;
    PagePicker *picker = f.open(false);
    FolderBrowser *browser = picker->browser();
    QListView *list = browser->fileList();
    QFileSystemModel *files = browser->fileModel();
    QCOMPARE(browser->folder(), f.folder.path());
    QVERIFY(QTest::qWaitForWindowActive(picker));
    waitForFile(browser, f.pickFolder(), QStringLiteral("scelto.jpg"));
    QTRY_COMPARE(files->rowCount(list->rootIndex()), 2);
    QStringList listed;
    for (int row = 0; row < files->rowCount(list->rootIndex()); ++row)
        listed.append(files->index(row, 0, list->rootIndex()).data().toString());
    listed.sort();
    QCOMPARE(listed, (QStringList{"altro.txt", "scelto.jpg"}));   // no dot-file, no folder

    browser->folderList()->setFocus();
    list->setFocus();
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(label(picker, "Label1"), QStringLiteral("Label1"));
    QCOMPARE(picker->chosenPath(), QString());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    const QString current = files->filePath(list->currentIndex());
    QVERIFY(current.startsWith(f.pickFolder()));
    QCOMPARE(picker->chosenPath(), current);
    QCOMPARE(label(picker, "Label1"), QDir::toNativeSeparators(current));

    browser->openFolder(QDir(f.pickFolder()).absoluteFilePath(QStringLiteral("sub")));
    QCOMPARE(list->rootIndex(), files->index(browser->folder()));
    QCOMPARE(picker->chosenPath(), current);
    QCOMPARE(QDir::currentPath(), f.folder.path());   // browsing moves nothing
    picker->hide();
}

void TestPickers::chosenFileGoneAttachesNothing_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("renamed") << "renamed";
    QTest::newRow("replaced by a folder") << "folder";
    QTest::newRow("replaced by a FIFO") << "fifo";
}

// The list moves its selection to a neighbour when the chosen file goes; the choice
// stays, Label1 says it is gone, and "Ok" attaches nothing.
void TestPickers::chosenFileGoneAttachesNothing()
{
    QFETCH(QString, change);
    Pickers f;
    writeFile(QStringLiteral("pick/a.jpg"), "the neighbour");
    PagePicker *picker = f.open(false);
    f.choose(picker, QStringLiteral("scelto.jpg"));
    QTRY_COMPARE(picker->findChild<PreviewPane *>()->pendingDecodes(), 0);
    const QString chosen = picker->chosenPath();
    const QString path = QStringLiteral("pick/scelto.jpg");
    if (change == QStringLiteral("renamed")) {
        QVERIFY(QFile::rename(path, QStringLiteral("pick/z.jpg")));
    } else {
        QVERIFY(QFile::remove(path));
        if (change == QStringLiteral("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (change == QStringLiteral("fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    QTRY_COMPARE(label(picker, "Label1"), QStringLiteral("File non più presente: scelto.jpg"));
    QCOMPARE(picker->chosenPath(), chosen);
    const FileMap before = snapshot();

    click(picker, "Command2");
    QCOMPARE(snapshot(), before);
    QCOMPARE(f.notifier.warned, QStringList{"Prima devi selezionare un file!"});
    QCOMPARE(f.notifier.informed, QStringList());
    picker->hide();
}

void TestPickers::previewBeforeOk_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("info");
    QTest::newRow("sinistra, a JPEG page") << true << "pagina.jpg" << "300 × 500 pixel";
    QTest::newRow("destra, a PNG under another name") << false << "pagina.dat" << "640 × 480 pixel";
    QTest::newRow("destra, a text file")
        << false << "altro.txt" << "Questo file non è un'immagine: verrà copiato così com'è.";
    QTest::newRow("sinistra, an empty file") << true << "vuota.jpg" << "Pagina vuota: il file verrà copiato così com'è.";
}

// The preview says what the file is; "Ok" copies it byte for byte whatever it is.
void TestPickers::previewBeforeOk()
{
    QFETCH(bool, left);
    QFETCH(QString, file);
    QFETCH(QString, info);
    Pickers f;
    QImage page(300, 500, QImage::Format_RGB32);
    page.fill(Qt::white);
    QVERIFY(page.save(QStringLiteral("pick/pagina.jpg"), "JPEG"));
    QVERIFY(page.scaled(640, 480).save(QStringLiteral("pick/pagina.dat"), "PNG"));
    testsupport::writeFile(QStringLiteral("pick/vuota.jpg"), QByteArray());
    PagePicker *picker = f.open(left);
    auto *preview = picker->findChild<QLabel *>("anteprima");
    QVERIFY(preview);
    QVERIFY(preview->pixmap().isNull());
    QCOMPARE(label(picker, "anteprimaInfo"), QString());

    f.choose(picker, file);
    QTRY_COMPARE(label(picker, "anteprimaInfo"), info);
    const QPixmap shown = preview->pixmap();
    if (info.endsWith(QStringLiteral("pixel"))) {
        // Fitted into the column with the picture's proportions.
        const QSize size = shown.deviceIndependentSize().toSize();
        QVERIFY(!shown.isNull());
        QVERIFY2(preview->contentsRect().size().expandedTo(size) == preview->contentsRect().size(),
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
        const QSize own = file == QStringLiteral("pagina.jpg") ? QSize(300, 500) : QSize(640, 480);
        QVERIFY(qAbs(size.width() * own.height() - size.height() * own.width()) <= own.width());
    } else {
        QVERIFY(shown.isNull());
    }

    click(picker, "Command2");
    QCOMPARE(snapshot().value(left ? "spartiti/12L.jpg" : "spartiti/12R.jpg"),
             testsupport::readFile(QStringLiteral("pick/") + file));
    QCOMPARE(f.notifier.informed, QStringList{success});
}

// A file chosen while the previous one is still being decoded: the earlier picture,
// finished later, never shows beside the name of the newer one.
void TestPickers::lateDecodeIsNotShown()
{
    Pickers f;
    QVERIFY(QImage(300, 500, QImage::Format_RGB32).save(QStringLiteral("pick/prima.png")));
    QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(QStringLiteral("pick/seconda.png")));
    QSemaphore firstStarted, firstMayEnd, secondStarted, secondMayEnd;
    // Whatever fails below, the worker is let go before the window waits for it.
    const auto letGo = qScopeGuard([&] {
        firstMayEnd.release(10);
        secondMayEnd.release(10);
    });
    PagePicker *picker = f.open(true);
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
    QVERIFY(picker->chosenPath().endsWith(QStringLiteral("seconda.png")));
    firstMayEnd.release();
    QVERIFY(secondStarted.tryAcquire(1, 5000));
    QTRY_COMPARE(pane->pendingDecodes(), 1);   // the first answer is in, the second not
    QCOMPARE(label(picker, "anteprimaInfo"), QString());
    QVERIFY(picker->findChild<QLabel *>("anteprima")->pixmap().isNull());

    secondMayEnd.release();
    QTRY_COMPARE(label(picker, "anteprimaInfo"), QStringLiteral("40 × 30 pixel"));
    QCOMPARE(pane->pendingDecodes(), 0);
    picker->hide();
}

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
