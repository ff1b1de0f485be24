// Opening a catalogue: a new one made from nothing, the one opened at start (named, the working
// folder's, the last used, or the welcome window), switching, and an empty one until "+".

#include "archive.h"
#include "catalogueapp.h"
#include "cataloguedocument.h"
#include "categorylist.h"
#include "form1.h"
#include "module1.h"
#include "newcatalogue.h"
#include "recentcatalogues.h"
#include "testsupport.h"
#include "webpagereader.h"
#include "welcomewindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QtTest>

using namespace spartiti;

namespace {

// The settings (the recent catalogues) of every run go to a folder of its own.
QTemporaryDir &configHome()
{
    static QTemporaryDir folder;
    return folder;
}

void useOwnConfigHome()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome().path()));
}
Q_CONSTRUCTOR_FUNCTION(useOwnConfigHome)

// A catalogue of `records` numbered records in `parent`/spartiti.
QString makeCatalogue(const QString &parent, int records)
{
    QDir(parent).mkpath(QStringLiteral("spartiti/audio"));
    testsupport::writeFile(parent + QStringLiteral("/spartiti/archivio.js"),
                           testsupport::archiveBytes(testsupport::numberedRecords(records)));
    return parent;
}

// Answers the next message box with the button whose text is `button`, and keeps its text.
struct BoxAnswer
{
    QString text;
    explicit BoxAnswer(const QString &button)
    {
        QTimer::singleShot(0, qApp, [this, button] { answer(button); });
    }
    void answer(const QString &button)
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, qApp, [this, button] { answer(button); });
            return;
        }
        text = box->text();
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == button) {
                b->click();
                return;
            }
        box->reject();
    }
};

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }
    void cleanup();
    void newCatalogueRefusesAFolderWithOne();
    void folderNamesItsCatalogue_data();
    void folderNamesItsCatalogue();
    void startOpens_data();
    void startOpens();
    void recentKeepsTheNewestEight();
    void switchingAsksAboutUnsavedEdits();
    void goneRecentIsReportedAndDropped();
    void newCatalogueWaitsForPlus();
};

void TestCatalogues::cleanup()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        widget->close();
}

void TestCatalogues::newCatalogueRefusesAFolderWithOne()
{
    QTemporaryDir dir;
    makeCatalogue(dir.path(), 3);
    const QByteArray before = testsupport::readFile(dir.path() + QStringLiteral("/spartiti/archivio.js"));
    CatalogueFolder made;
    const auto error = createCatalogue(dir.path(), made);
    QVERIFY(error);
    QVERIFY2(error->message.contains(QStringLiteral("contiene già un catalogo")), qPrintable(error->message));
    QCOMPARE(testsupport::readFile(dir.path() + QStringLiteral("/spartiti/archivio.js")), before);
    QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/spartiti/generi.js")));
    QVERIFY(made.isNull());
    QVERIFY(createCatalogue(dir.path() + QStringLiteral("/non-esiste"), made));
}

void TestCatalogues::folderNamesItsCatalogue_data()
{
    QTest::addColumn<QString>("given");      // relative to the temporary folder
    QTest::addColumn<QString>("expected");   // the data folder, relative to it
    QTest::newRow("the folder that holds spartiti") << "coro" << "coro/spartiti";
    QTest::newRow("spartiti itself") << "coro/spartiti" << "coro/spartiti";
    QTest::newRow("spartiti itself, with a trailing slash") << "coro/spartiti/" << "coro/spartiti";
    QTest::newRow("a data folder under another name") << "altro" << "altro";
}

void TestCatalogues::folderNamesItsCatalogue()
{
    QFETCH(QString, given);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    makeCatalogue(dir.filePath(QStringLiteral("coro")), 1);
    QDir(dir.path()).mkpath(QStringLiteral("altro"));
    testsupport::writeFile(dir.filePath(QStringLiteral("altro/archivio.js")), testsupport::archiveBytes({}));
    const CatalogueFolder folder = CatalogueFolder::of(dir.filePath(given));
    QCOMPARE(folder.path(), dir.filePath(expected));
    QVERIFY(folder.exists());
}

void TestCatalogues::startOpens_data()
{
    QTest::addColumn<bool>("argument");
    QTest::addColumn<bool>("inWorkingFolder");
    QTest::addColumn<bool>("usedBefore");
    QTest::addColumn<QString>("opens");   // "named", "working", "last" or "welcome"
    QTest::newRow("the named one, before the working folder's") << true << true << true << "named";
    QTest::newRow("the working folder's, before the last one") << false << true << true << "working";
    QTest::newRow("the last one") << false << false << true << "last";
    QTest::newRow("none: the welcome window") << false << false << false << "welcome";
}

void TestCatalogues::startOpens()
{
    QFETCH(bool, argument);
    QFETCH(bool, inWorkingFolder);
    QFETCH(bool, usedBefore);
    QFETCH(QString, opens);
    QTemporaryDir dir;
    const QString named = makeCatalogue(dir.filePath(QStringLiteral("named")), 2);
    const QString working = dir.filePath(QStringLiteral("working"));
    QDir().mkpath(working);
    if (inWorkingFolder)
        makeCatalogue(working, 3);
    const QString last = makeCatalogue(dir.filePath(QStringLiteral("last")), 4);
    if (usedBefore)
        RecentCatalogues().add(last);

    CatalogueApp app(nullptr);
    app.start(argument ? named : QString(), working);
    const QString expected = opens == QLatin1String("named") ? named
        : opens == QLatin1String("working")                  ? working
        : opens == QLatin1String("last")                     ? last
                                                             : QString();
    if (expected.isEmpty()) {
        QVERIFY(!app.editor());
        QVERIFY(app.welcome() && app.welcome()->isVisible());
        return;
    }
    QVERIFY(app.editor() && app.editor()->isVisible());
    // The editor holds that catalogue's lock, and it is now the last one used.
    QVERIFY(QFileInfo::exists(expected + QStringLiteral("/spartiti/.archivio.lock")));
    QCOMPARE(RecentCatalogues().folders().value(0), QDir::cleanPath(expected));
    QVERIFY(app.editor()->windowTitle().contains(QDir::toNativeSeparators(expected)));
}

void TestCatalogues::recentKeepsTheNewestEight()
{
    RecentCatalogues recent;
    for (int k = 1; k <= 10; ++k)
        recent.add(QStringLiteral("/cataloghi/%1").arg(k));
    recent.add(QStringLiteral("/cataloghi/5"));
    const QStringList folders = recent.folders();
    QCOMPARE(folders.size(), RecentCatalogues::Kept);
    QCOMPARE(folders.first(), QStringLiteral("/cataloghi/5"));
    QCOMPARE(folders.at(1), QStringLiteral("/cataloghi/10"));
    QCOMPARE(folders.count(QStringLiteral("/cataloghi/5")), 1);
    QVERIFY(!folders.contains(QStringLiteral("/cataloghi/2")));
}

void TestCatalogues::switchingAsksAboutUnsavedEdits()
{
    QTemporaryDir dir;
    const QString first = makeCatalogue(dir.filePath(QStringLiteral("primo")), 2);
    const QString second = makeCatalogue(dir.filePath(QStringLiteral("secondo")), 5);
    CatalogueApp app(nullptr);
    app.start(first, dir.path());
    QVERIFY(app.editor());
    app.editor()->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("Modificato"));

    {
        // "Annulla": the first catalogue stays open, with its edit and its lock.
        BoxAnswer cancel(QStringLiteral("Annulla"));
        QVERIFY(!app.openFolder(second));
        QVERIFY(cancel.text.contains(QStringLiteral("modifiche non salvate")));
    }
    QVERIFY(app.editor()->windowTitle().contains(QDir::toNativeSeparators(first)));
    QVERIFY(QFileInfo::exists(first + QStringLiteral("/spartiti/.archivio.lock")));
    {
        // "Salva": the edit is written, then the second catalogue opens and the first
        // one's lock goes.
        BoxAnswer save(QStringLiteral("Salva"));
        BoxAnswer saved(QStringLiteral("OK"));
        QVERIFY(app.openFolder(second));
    }
    QVERIFY(testsupport::readFile(first + QStringLiteral("/spartiti/archivio.js")).contains("Modificato"));
    QVERIFY(app.editor()->windowTitle().contains(QDir::toNativeSeparators(second)));
    QTRY_VERIFY(!QFileInfo::exists(first + QStringLiteral("/spartiti/.archivio.lock")));
    QVERIFY(QFileInfo::exists(second + QStringLiteral("/spartiti/.archivio.lock")));
}

void TestCatalogues::goneRecentIsReportedAndDropped()
{
    QTemporaryDir dir;
    const QString kept = makeCatalogue(dir.filePath(QStringLiteral("resta")), 1);
    const QString gone = makeCatalogue(dir.filePath(QStringLiteral("sparito")), 1);
    RecentCatalogues().add(kept);
    RecentCatalogues().add(gone);
    QDir(gone).removeRecursively();
    CatalogueApp app(nullptr);
    // The last one is gone: the start falls back to the welcome window, which lists both.
    app.start(QString(), dir.path());
    QVERIFY(app.welcome() && app.welcome()->isVisible());
    BoxAnswer told(QStringLiteral("OK"));
    emit app.welcome()->recentCatalogueRequested(gone);
    QVERIFY(told.text.contains(QStringLiteral("non c'è più")));
    QCOMPARE(RecentCatalogues().folders(), QStringList{QDir::cleanPath(kept)});
    QVERIFY(!app.editor());
}

// A new catalogue is empty, as the web page reads it too, with the default category list,
// the placeholder page and the audio folder; the editor waits for "+".
void TestCatalogues::newCatalogueWaitsForPlus()
{
    QTemporaryDir dir;
    CatalogueFolder made;
    QVERIFY(!createCatalogue(dir.path(), made));
    QCOMPARE(made.path(), dir.path() + QStringLiteral("/spartiti"));
    QStringList values;
    testsupport::pageReads(testsupport::readFile(made.archive()), QStringLiteral("archivio"), values);
    QVERIFY(values.isEmpty());
    CategoryNames names;
    QVERIFY(!readCategoryList(made.categoryList(), names));
    QCOMPARE(names[0], QStringLiteral("Musica classica"));
    QVERIFY(!names[ScoreCatalogue::CategoryCount - 1].isEmpty());
    QCOMPARE(testsupport::readFile(made.placeholderPage()),
             testsupport::readFile(QStringLiteral(SPARTITI_DEMO_DIR "/m.jpg")));
    QVERIFY(QFileInfo(made.audioFolder()).isDir());
    CatalogueApp app(nullptr);
    QVERIFY(app.openFolder(dir.path()));
    Form1 *form = app.editor();
    auto *title = form->findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *selector = form->findChild<QScrollBar *>(QStringLiteral("VScroll1"));
    QVERIFY(!title->isEnabled());
    QVERIFY(!selector->isEnabled());
    form->findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    QVERIFY(title->isEnabled());
    QCOMPARE(form->findChild<QLineEdit *>(QStringLiteral("Text1"))->text(), QStringLiteral("1"));
    title->setText(QStringLiteral("Primo"));
    BoxAnswer saved(QStringLiteral("OK"));
    form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QVERIFY(saved.text.startsWith(QStringLiteral("OK!  Primo")));
    testsupport::pageReads(testsupport::readFile(made.archive()), QStringLiteral("archivio"), values);
    QCOMPARE(values, (QStringList{"1", "Primo", "", "", "0"}));
}

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
