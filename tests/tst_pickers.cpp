#include "attachmentwindows.h"
#include "browsertesting.h"
#include "folderbrowser.h"
#include "module1.h"
#include "pagepicker.h"
#include "previewpane.h"
#include "testsupport.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using namespace spartiti;
using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;
using browsertesting::visibleTopLevels;
using testsupport::writeFile;

namespace {

const QByteArray placeholderBytes("placeholder\0\xff", 13);
const QByteArray chosenBytes("a page \0\x80\x81", 10);
const QString success = QStringLiteral("il file è stato spostato nella cartella spartiti con successo!");

void makeData()
{
    QDir().mkpath(QStringLiteral("pick/sub"));
    writeFile(QStringLiteral("spartiti/m.jpg"), placeholderBytes);
    writeFile(QStringLiteral("spartiti/12L.jpg"), "old left");
    writeFile(QStringLiteral("spartiti/12R.jpg"), "old right");
    writeFile(QStringLiteral("pick/scelto.jpg"), chosenBytes);
    writeFile(QStringLiteral("pick/altro.txt"), "not a picture");
    writeFile(QStringLiteral("pick/.nascosto"), "hidden");
}

QString pickFolder() { return QDir::current().absoluteFilePath(QStringLiteral("pick")); }

QString label(QWidget *window, const char *name)
{
    auto *widget = window->findChild<QLabel *>(QLatin1String(name));
    return widget ? widget->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

void click(QWidget *window, const char *button)
{
    auto *widget = window->findChild<QPushButton *>(QLatin1String(button));
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
}

PagePicker *open(AttachmentWindows &windows, bool left)
{
    if (left) {
        windows.openLeftPicker();
        return windows.leftPicker();
    }
    windows.openRightPicker();
    return windows.rightPicker();
}

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void okWritesThePages_data();
    void okWritesThePages();
    void failureWarnsAndKeepsTheWindow_data();
    void failureWarnsAndKeepsTheWindow();
    void actsOnTheScoreOnShowAtOk();
    void hideKeepsStateTitleBarCloseDiscards();
    void layoutAndLook_data();
    void layoutAndLook();
    void browsing();
    void keyboardChoosesButFocusDoesNot();
    void previewBeforeOk_data();
    void previewBeforeOk();
    void lateDecodeIsNotShown();
};

void TestPickers::cleanup()
{
    QCOMPARE(visibleTopLevels(), QStringList());
}

void TestPickers::okWritesThePages_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<FileMap>("written");
    QTest::newRow("sinistra") << true
                              << FileMap{{"spartiti/12L.jpg", chosenBytes},
                                         {"spartiti/12R.jpg", placeholderBytes}};
    QTest::newRow("destra") << false << FileMap{{"spartiti/12R.jpg", chosenBytes}};
}

void TestPickers::okWritesThePages()
{
    QFETCH(bool, left);
    QFETCH(FileMap, written);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(12);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QSignalSpy attached(&windows, &AttachmentWindows::attached);
    PagePicker *picker = open(windows, left);
    QVERIFY(picker && picker->isVisible());
    QCOMPARE(label(picker, "Label1"), QStringLiteral("Label1"));

    browsertesting::clickFile(picker->browser(), pickFolder(), QStringLiteral("scelto.jpg"));
    const QString chosen = QDir(pickFolder()).absoluteFilePath(QStringLiteral("scelto.jpg"));
    QCOMPARE(picker->chosenPath(), chosen);
    QCOMPARE(label(picker, "Label1"), QDir::toNativeSeparators(chosen));

    const FileMap expected = snapshotWith(written);
    click(picker, "Command2");
    QCOMPARE(snapshot(), expected);
    QCOMPARE(notifier.informed, QStringList{success});
    QCOMPARE(notifier.warned, QStringList());
    QCOMPARE(attached.size(), 1);
    QCOMPARE(attached.at(0).at(0).toInt(), 12);
    QVERIFY(!picker->isVisible());
    QCOMPARE(windows.leftPicker() ? windows.leftPicker() : windows.rightPicker(), picker);
}

void TestPickers::failureWarnsAndKeepsTheWindow_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("choose");
    QTest::addColumn<QString>("removeFirst");
    QTest::addColumn<FileMap>("written");
    QTest::addColumn<QString>("warning");      // the warning starts with this
    QTest::addColumn<int>("attachedSignals");

    QTest::newRow("sinistra, nothing chosen") << true << false << "" << FileMap{}
                                              << "Prima devi selezionare un file!" << 0;
    QTest::newRow("destra, nothing chosen") << false << false << "" << FileMap{}
                                            << "Prima devi selezionare un file!" << 0;
    QTest::newRow("destra, chosen file deleted") << false << true << "pick/scelto.jpg" << FileMap{}
                                                 << "Prima devi selezionare un file!" << 0;
    QTest::newRow("sinistra, no placeholder: the left page stays")
        << true << true << "spartiti/m.jpg" << FileMap{{"spartiti/12L.jpg", chosenBytes}}
        << "La pagina di sinistra dello spartito 12 è stata allegata, ma" << 1;
}

void TestPickers::failureWarnsAndKeepsTheWindow()
{
    QFETCH(bool, left);
    QFETCH(bool, choose);
    QFETCH(QString, removeFirst);
    QFETCH(FileMap, written);
    QFETCH(QString, warning);
    QFETCH(int, attachedSignals);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(12);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QSignalSpy attached(&windows, &AttachmentWindows::attached);
    PagePicker *picker = open(windows, left);
    if (choose)
        browsertesting::clickFile(picker->browser(), pickFolder(), QStringLiteral("scelto.jpg"));
    if (!removeFirst.isEmpty())
        QVERIFY(QFile::remove(removeFirst));
    const FileMap expected = snapshotWith(written);

    click(picker, "Command2");
    QCOMPARE(snapshot(), expected);
    QCOMPARE(notifier.warned.size(), 1);
    QVERIFY2(notifier.warned.first().startsWith(warning), qPrintable(notifier.warned.first()));
    QCOMPARE(notifier.informed, QStringList());
    QCOMPARE(attached.size(), attachedSignals);
    QVERIFY(picker->isVisible());
    picker->hide();
}

void TestPickers::actsOnTheScoreOnShowAtOk()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(5);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    PagePicker *right = open(windows, false);
    PagePicker *left = open(windows, true);
    QCOMPARE(label(right, "Label2"), QStringLiteral("5"));
    QCOMPARE(label(left, "Label2"), QStringLiteral("Seleziona la pagina di sinistra"));
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 5"));

    browsertesting::clickFile(right->browser(), pickFolder(), QStringLiteral("scelto.jpg"));
    click(right, "Command1");
    QVERIFY(!right->isVisible());
    // The editor moves on while the right picker is hidden and the left one open.
    state.setCurrentNumber(9);
    QCOMPARE(label(left, "scoreNumberLabel"), QStringLiteral("Spartito 9"));
    QCOMPARE(open(windows, false), right);
    QCOMPARE(label(right, "Label2"), QStringLiteral("9"));
    click(right, "Command2");
    QCOMPARE(snapshot().value("spartiti/9R.jpg"), chosenBytes);
    QVERIFY(!QFile::exists(QStringLiteral("spartiti/5R.jpg")));

    // Ok again at once, for the score current now, with the choice kept.
    state.setCurrentNumber(4);
    open(windows, false);
    QCOMPARE(label(right, "Label2"), QStringLiteral("4"));
    click(right, "Command2");
    QCOMPARE(snapshot().value("spartiti/4R.jpg"), chosenBytes);
    QCOMPARE(notifier.informed.size(), 2);
    left->hide();
}

void TestPickers::hideKeepsStateTitleBarCloseDiscards()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(3);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QPointer<PagePicker> first = open(windows, true);
    browsertesting::clickFile(first->browser(), pickFolder(), QStringLiteral("scelto.jpg"));
    const QString chosen = first->chosenPath();
    QVERIFY(!chosen.isEmpty());

    click(first, "Command1");
    QVERIFY(!first->isVisible());
    QCOMPARE(open(windows, true), first.data());   // the same window, as it was left
    QCOMPARE(first->chosenPath(), chosen);
    QCOMPARE(label(first, "Label1"), QDir::toNativeSeparators(chosen));
    QCOMPARE(first->browser()->folder(), pickFolder());
    QCOMPARE(visibleTopLevels(), QStringList{"sinistra"});
    open(windows, true);                           // a second press makes no second window
    QCOMPARE(visibleTopLevels(), QStringList{"sinistra"});

    QVERIFY(first->close());                       // the title bar's close button
    QCOMPARE(windows.leftPicker(), nullptr);
    PagePicker *second = open(windows, true);      // before the old one is even deleted
    QVERIFY(second != first.data());
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(label(second, "Label1"), QStringLiteral("Label1"));
    QCOMPARE(second->browser()->folder(), folder.path());
    QTRY_VERIFY(first.isNull());
    click(second, "Command2");
    QCOMPARE(notifier.warned, QStringList{"Prima devi selezionare un file!"});
    second->hide();
}

void TestPickers::layoutAndLook_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QRect>("fileList");
    QTest::addColumn<QRect>("folderList");
    QTest::addColumn<QRect>("okButton");
    QTest::addColumn<QColor>("background");
    QTest::newRow("sinistra") << true << "sinistra" << QRect(240, 40, 225, 266)
                              << QRect(8, 40, 225, 270) << QRect(240, 312, 209, 41)
                              << QColor(100, 100, 100);
    QTest::newRow("destra") << false << "Destra" << QRect(240, 48, 225, 246)
                            << QRect(8, 48, 225, 248) << QRect(240, 304, 209, 41)
                            << QColor(Qt::black);
}

void TestPickers::layoutAndLook()
{
    QFETCH(bool, left);
    QFETCH(QString, title);
    QFETCH(QRect, fileList);
    QFETCH(QRect, folderList);
    QFETCH(QRect, okButton);
    QFETCH(QColor, background);
    testsupport::WorkingFolder folder;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    PagePicker *picker = open(windows, left);
    QCOMPARE(picker->windowTitle(), title);
    // The design's 473 x 380, and the preview column to its right.
    QCOMPARE(picker->size(), QSize(473 + 216, 380));
    QCOMPARE(picker->findChild<PreviewPane *>()->geometry().left(), 481);
    QCOMPARE(picker->browser()->fileList()->geometry(), fileList);
    QCOMPARE(picker->browser()->folderList()->geometry(), folderList);
    QCOMPARE(picker->findChild<QPushButton *>("Command2")->geometry(), okButton);
    QCOMPARE(picker->findChild<QPushButton *>("Command2")->text(), QStringLiteral("Ok"));
    QCOMPARE(picker->findChild<QPushButton *>("Command1")->text(), QStringLiteral("Chiudi"));
    for (QWidget *list : {static_cast<QWidget *>(picker->browser()->fileList()),
                          static_cast<QWidget *>(picker->browser()->folderList())}) {
        QCOMPARE(list->palette().color(QPalette::Text), QColor(Qt::yellow));
        QCOMPARE(list->palette().color(QPalette::Base), background);
    }
    // Tab order: File1, Dir1, Chiudi, Ok; the file list has the focus at the opening.
    QVERIFY(QTest::qWaitForWindowActive(picker));
    QCOMPARE(QApplication::focusWidget(), picker->browser()->fileList());
    const QList<QWidget *> order{picker->browser()->folderList(),
                                 picker->findChild<QPushButton *>("Command1"),
                                 picker->findChild<QPushButton *>("Command2"),
                                 picker->browser()->fileList()};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    picker->hide();
}

void TestPickers::browsing()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    PagePicker *picker = open(windows, true);
    FolderBrowser *browser = picker->browser();
    auto *dirModel = qobject_cast<QFileSystemModel *>(browser->folderList()->model());
    QCOMPARE(dirModel->filePath(browser->folderList()->currentIndex()), folder.path());
    QVERIFY(browser->folderList()->isExpanded(browser->folderList()->currentIndex()));
    QCOMPARE(browser->folder(), folder.path());

    browsertesting::waitForFile(browser, pickFolder(), QStringLiteral("scelto.jpg"));
    QFileSystemModel *files = browser->fileModel();
    QStringList listed;
    const QModelIndex root = browser->fileList()->rootIndex();
    QTRY_COMPARE(files->rowCount(root), 2);
    for (int row = 0; row < files->rowCount(root); ++row)
        listed.append(files->index(row, 0, root).data().toString());
    listed.sort();
    QCOMPARE(listed, (QStringList{"altro.txt", "scelto.jpg"}));   // no dot-file, no folder
    QCOMPARE(QDir::currentPath(), folder.path());                  // browsing moves nothing

    // Opening another folder leaves the choice as it was.
    browsertesting::clickFile(browser, pickFolder(), QStringLiteral("altro.txt"));
    browser->openFolder(QDir(pickFolder()).absoluteFilePath(QStringLiteral("sub")));
    QCOMPARE(browser->fileList()->rootIndex(), files->index(browser->folder()));
    QVERIFY(picker->chosenPath().endsWith(QStringLiteral("/pick/altro.txt")));
    picker->hide();
}

void TestPickers::keyboardChoosesButFocusDoesNot()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    PagePicker *picker = open(windows, false);
    QVERIFY(QTest::qWaitForWindowActive(picker));
    QListView *list = picker->browser()->fileList();
    browsertesting::waitForFile(picker->browser(), pickFolder(), QStringLiteral("scelto.jpg"));
    // Taking the focus makes the first file current without choosing it.
    picker->browser()->folderList()->setFocus();
    list->setFocus();
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(label(picker, "Label1"), QStringLiteral("Label1"));
    QCOMPARE(picker->chosenPath(), QString());

    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    const QString current = picker->browser()->fileModel()->filePath(list->currentIndex());
    QVERIFY(current.startsWith(pickFolder()));
    QCOMPARE(picker->chosenPath(), current);
    QCOMPARE(label(picker, "Label1"), QDir::toNativeSeparators(current));
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
}

// The preview says what the file is; "Ok" copies it byte for byte whatever it is.
void TestPickers::previewBeforeOk()
{
    QFETCH(bool, left);
    QFETCH(QString, file);
    QFETCH(QString, info);
    testsupport::WorkingFolder folder;
    makeData();
    QImage page(300, 500, QImage::Format_RGB32);
    page.fill(Qt::white);
    QVERIFY(page.save(QStringLiteral("pick/pagina.jpg"), "JPEG"));
    QVERIFY(page.scaled(640, 480).save(QStringLiteral("pick/pagina.dat"), "PNG"));
    Module1 state;
    state.setCurrentNumber(12);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    PagePicker *picker = open(windows, left);
    auto *preview = picker->findChild<QLabel *>("anteprima");
    QVERIFY(preview);
    QVERIFY(preview->pixmap().isNull());
    QCOMPARE(label(picker, "anteprimaInfo"), QString());

    browsertesting::clickFile(picker->browser(), pickFolder(), file);
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
    QCOMPARE(notifier.informed, QStringList{success});
}

// A file chosen while the previous one is still being decoded: the earlier picture,
// finished later, never shows beside the name of the newer one.
void TestPickers::lateDecodeIsNotShown()
{
    testsupport::WorkingFolder folder;
    makeData();
    QVERIFY(QImage(300, 500, QImage::Format_RGB32).save(QStringLiteral("pick/prima.png")));
    QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(QStringLiteral("pick/seconda.png")));
    QSemaphore firstStarted, firstMayEnd, secondStarted, secondMayEnd;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    // Whatever fails below, the worker is let go before the window waits for it.
    const auto letGo = qScopeGuard([&] {
        firstMayEnd.release(10);
        secondMayEnd.release(10);
    });
    PagePicker *picker = open(windows, true);
    auto *pane = picker->findChild<PreviewPane *>();
    pane->setDecoder([&](const QString &path, const QSize &box) {
        const bool first = path.endsWith(QStringLiteral("prima.png"));
        (first ? firstStarted : secondStarted).release();
        (first ? firstMayEnd : secondMayEnd).acquire();
        return previewFile(path, box);
    });

    browsertesting::clickFile(picker->browser(), pickFolder(), QStringLiteral("prima.png"));
    QVERIFY(firstStarted.tryAcquire(1, 5000));
    browsertesting::clickFile(picker->browser(), pickFolder(), QStringLiteral("seconda.png"));
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
