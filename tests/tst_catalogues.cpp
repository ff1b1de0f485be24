// Opening a catalogue: a new one, the one opened at start, the recent ones, and switching.

#include "catalogueapp.h"
#include "categorylist.h"
#include "filesnapshot.h"
#include "form1.h"
#include "newcatalogue.h"
#include "recentcatalogues.h"
#include "testsupport.h"
#include "webpagereader.h"
#include "welcomewindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>

using namespace spartiti;
using testsupport::readFile;

namespace {

// The recent catalogues of every run go to a settings folder of its own.
void useOwnConfigHome()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
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

bool locked(const QString &parent) { return QFileInfo::exists(parent + QStringLiteral("/spartiti/.archivio.lock")); }

// The editor is on show with the catalogue of `parent` named in its title, and holds its lock.
bool shows(const CatalogueApp &app, const QString &parent)
{
    return app.editor() && app.editor()->isVisible() && locked(parent)
           && app.editor()->windowTitle().contains(QDir::toNativeSeparators(parent));
}

// Answers the next message box with the button whose text is `button`, and keeps its text.
struct BoxAnswer
{
    QString text;
    explicit BoxAnswer(const QString &button) { QTimer::singleShot(0, qApp, [this, button] { answer(button); }); }
    void answer(const QString &button)
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return QTimer::singleShot(10, qApp, [this, button] { answer(button); });
        text = box->text();
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == button)
                return b->click();
        box->reject();
    }
};

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }
    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
    }
    void startOpens_data()
    {
        QTest::addColumn<bool>("argument");
        QTest::addColumn<bool>("inWorkingFolder");
        QTest::addColumn<int>("used");        // 1: "last" was used last, 2: and is gone since
        QTest::addColumn<QString>("opens");   // the folder opened, or "" for the welcome window
        QTest::newRow("the named one, before the working folder's") << true << true << 1 << "named";
        QTest::newRow("the working folder's, before the last one") << false << true << 1 << "working";
        QTest::newRow("the last one") << false << false << 1 << "last";
        QTest::newRow("none: the welcome window") << false << false << 0 << "";
        QTest::newRow("the last one gone: the welcome window") << false << false << 2 << "";
    }
    void startOpens()
    {
        QFETCH(bool, argument);
        QFETCH(bool, inWorkingFolder);
        QFETCH(int, used);
        QFETCH(QString, opens);
        QTemporaryDir dir;
        const QString named = makeCatalogue(dir.filePath(QStringLiteral("named")), 2);
        const QString working = dir.filePath(QStringLiteral("working"));   // made only when it holds a catalogue
        if (inWorkingFolder)
            makeCatalogue(working, 3);
        const QString last = makeCatalogue(dir.filePath(QStringLiteral("last")), 4);
        for (const QString &folder : used ? QStringList{named, last} : QStringList())
            RecentCatalogues().add(folder);
        if (used == 2)
            QDir(last).removeRecursively();
        CatalogueApp app(nullptr);
        app.start(argument ? named : QString(), working);
        if (opens.isEmpty()) {
            QVERIFY(!app.editor());
            QVERIFY(app.welcome() && app.welcome()->isVisible());
            if (used == 2) {
                // Asked for from the welcome window, the gone one is reported and dropped.
                BoxAnswer told(QStringLiteral("OK"));
                emit app.welcome()->recentCatalogueRequested(last);
                QVERIFY(told.text.contains(QStringLiteral("non c'è più")));
                QCOMPARE(RecentCatalogues().folders(), QStringList{QDir::cleanPath(named)});
                QVERIFY(!app.editor());
                emit app.welcome()->recentCatalogueRequested(named);   // the one still there opens
                QVERIFY(shows(app, named) && !app.welcome()->isVisible());
            }
            return;
        }
        // The editor shows that catalogue; it is now the last one used.
        const QString expected = dir.filePath(opens);
        QVERIFY(shows(app, expected));
        QCOMPARE(RecentCatalogues().folders().value(0), QDir::cleanPath(expected));
    }
    void recentKeepsTheNewestEight()
    {
        for (int k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 5})
            RecentCatalogues().add(QStringLiteral("/cataloghi/%1").arg(k));
        QCOMPARE(RecentCatalogues().folders(), (QStringList{"/cataloghi/5", "/cataloghi/10", "/cataloghi/9", "/cataloghi/8",
                                                            "/cataloghi/7", "/cataloghi/6", "/cataloghi/4", "/cataloghi/3"}));
    }
    // A new catalogue: empty for the web page too, default categories, placeholder, audio folder; refused
    // over one. A folder names its catalogue. Its editor waits for "+"; switching away asks about the edit.
    void newCatalogueThenSwitching()
    {
        QTemporaryDir dir, other;
        CatalogueFolder made;
        QVERIFY(!createCatalogue(dir.path(), made));
        QStringList values;
        testsupport::pageReads(readFile(made.archive()), QStringLiteral("archivio"), values);
        QVERIFY(values.isEmpty());
        CategoryNames names;
        QVERIFY(!readCategoryList(made.categoryList(), names));
        QCOMPARE(names[0], QStringLiteral("Musica classica"));
        QCOMPARE(readFile(made.placeholderPage()), readFile(QStringLiteral(SPARTITI_DEMO_DIR "/m.jpg")));
        QVERIFY(QFileInfo(made.audioFolder()).isDir());
        const QString second = makeCatalogue(other.path(), 5);
        const auto before = filesnapshot::snapshot(second);
        CatalogueFolder refused;
        QVERIFY(createCatalogue(second, refused).value_or(Error{}).message.contains(QStringLiteral("contiene già un catalogo")));
        QCOMPARE(filesnapshot::snapshot(second), before);
        QVERIFY(refused.isNull() && createCatalogue(second + QStringLiteral("/non-esiste"), refused));
        for (const QString &given : {dir.path(), made.path(), made.path() + QLatin1Char('/')})
            QCOMPARE(CatalogueFolder::of(given).path(), made.path());   // spartiti, or the folder that holds it
        const QString altro = other.filePath(QStringLiteral("altro"));   // a data folder under another name
        QVERIFY(QDir().mkpath(altro));
        testsupport::writeFile(altro + QStringLiteral("/archivio.js"), testsupport::archiveBytes({}));
        QCOMPARE(CatalogueFolder::of(altro).path(), altro);
        CatalogueApp app(nullptr);
        QVERIFY(app.openFolder(dir.path()));
        Form1 *form = app.editor();
        auto *title = form->findChild<QLineEdit *>(QStringLiteral("Text2"));
        QVERIFY(!title->isEnabled() && !form->findChild<QScrollBar *>(QStringLiteral("VScroll1"))->isEnabled());
        form->findChild<QPushButton *>(QStringLiteral("Command5"))->click();
        QVERIFY(title->isEnabled());
        QCOMPARE(form->findChild<QLineEdit *>(QStringLiteral("Text1"))->text(), QStringLiteral("1"));
        title->setText(QStringLiteral("Primo"));
        {
            // "Annulla": the new catalogue stays open, with its edit and its lock.
            BoxAnswer cancel(QStringLiteral("Annulla"));
            QVERIFY(!app.openFolder(second));
            QVERIFY(cancel.text.contains(QStringLiteral("modifiche non salvate")));
        }
        QVERIFY(shows(app, dir.path()));
        {
            // "Salva": the edit is written, the second catalogue opens, the first one's lock goes.
            BoxAnswer save(QStringLiteral("Salva"));
            BoxAnswer saved(QStringLiteral("OK"));
            QVERIFY(app.openFolder(second));
            QVERIFY(saved.text.startsWith(QStringLiteral("OK!  Primo")));
        }
        testsupport::pageReads(readFile(made.archive()), QStringLiteral("archivio"), values);
        QCOMPARE(values, (QStringList{"1", "Primo", "", "", "0"}));
        QVERIFY(shows(app, second));
        QTRY_VERIFY(!locked(dir.path()));
    }
};

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
