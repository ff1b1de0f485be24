#include "archive.h"
#include "browsertesting.h"
#include "editorfixture.h"
#include "pagepicker.h"
#include "search.h"
#include "trackplayer.h"
#include "trackwindow.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::writeFile;

namespace {

// Follows what the editor asks of a player, without sound.
class FakePlayer : public TrackPlayer
{
public:
    QStringList played;
    bool playing = false;
    void play(const QString &path) override
    {
        played.append(path);
        playing = true;
        emit playingChanged(true);
    }
    void stop() override
    {
        playing = false;
        emit playingChanged(false);
    }
    bool isPlaying() const override { return playing; }
};

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

const QList<QList<QByteArray>> catalogueRecords = {
    {"Perch\xe8 no", "Verdi, Giuseppe", "aria opera", "2"},
    {"La donna \xe8 mobile", "Verdi, Giuseppe", "aria tenore rigoletto", "2"},
    {"Funicul\xec funicul\xe0", "Denza, Luigi", "canzone napoletana", "3"},
    {"Per Elisa 1", "Beethoven, Ludwig van", "pianoforte", "1"},
    {"Per Elisa 2", "Beethoven, Ludwig van", "pianoforte", "1"},
};

} // namespace

class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void searchMatching_data();
    void searchMatching();
    void searchListMovesSelector();
    void keyboardMovesAtTheEnds();
    void playStopAndStopOnMove();
    void keyboardWalk_data();
    void keyboardWalk();
    void accessibleNamesFollowTheRecord_data();
    void accessibleNamesFollowTheRecord();
};

void TestNavigation::searchMatching_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("accent ignored") << QStringLiteral("perche") << QList<int>{1};
    QTest::newRow("accent in query too") << QStringLiteral("PERCHÉ") << QList<int>{1};
    QTest::newRow("case ignored, author") << QStringLiteral("verdi") << QList<int>{1, 2};
    QTest::newRow("several words across fields") << QStringLiteral("verdi tenore") << QList<int>{2};
    QTest::newRow("tags") << QStringLiteral("napoletana") << QList<int>{3};
    QTest::newRow("grave accents") << QStringLiteral("funiculi funicula") << QList<int>{3};
    QTest::newRow("multi-page score") << QStringLiteral("elisa") << QList<int>{4, 5};
    QTest::newRow("no match") << QStringLiteral("mozart") << QList<int>{};
    QTest::newRow("blank query") << QStringLiteral("   ") << QList<int>{};
}

void TestNavigation::searchMatching()
{
    QFETCH(QString, query);
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), archiveBytes(catalogueRecords));
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, paths::archive()));
    ScoreSearch search(catalogue);
    QTEST(search.find(query), "expected");

    // A title changed afterwards is found once the index is told.
    catalogue.setValue(ScoreCatalogue::Field::Title, 5, QStringLiteral("Mozart"));
    search.invalidate();
    QCOMPARE(search.find(QStringLiteral("mozart")), QList<int>{5});
}

void TestNavigation::searchListMovesSelector()
{
    testsupport::EditorFixture e(archiveBytes(catalogueRecords));
    QVERIFY(e.load());
    QLineEdit *field = e.form->searchField();
    QTest::keyClicks(field, QStringLiteral("beethoven"));
    QCOMPARE(e.form->searchMatches(), (QList<int>{4, 5}));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(e.selector()->value(), 4);
    QCOMPARE(e.state.currentNumber(), 4);
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Per Elisa 1"));
}

void TestNavigation::keyboardMovesAtTheEnds()
{
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(15)));
    QVERIFY(e.load());
    QVERIFY(e.activate());
    QScrollBar *selector = e.selector();
    QLineEdit *title = e.field("Text2");
    auto &notifier = e.notifier;
    auto &state = e.state;
    title->setFocus();

    QTest::keyClick(title, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(selector->value(), 16);   // the empty record past the last
    QTest::keyClick(title, Qt::Key_PageDown);
    QCOMPARE(selector->value(), 16);
    QTest::keyClick(title, Qt::Key_PageUp);
    QCOMPARE(selector->value(), 6);
    QTest::keyClick(title, Qt::Key_PageUp);
    QCOMPARE(selector->value(), 1);
    QTest::keyClick(title, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(selector->value(), 1);

    notifier.number = 12;
    QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(selector->value(), 12);
    QCOMPARE(title->text(), QStringLiteral("Titolo 12"));
    notifier.number.reset();
    QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);   // cancelled
    QCOMPARE(selector->value(), 12);

    QTest::keyClick(title, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(e.form->searchField()->hasFocus());

    // Ctrl+S saves like "Salva Modifiche".
    title->setFocus();
    QTest::keyClick(title, Qt::Key_X);
    QTest::keyClick(title, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(notifier.informed, QStringList{QStringLiteral("OK!  Titolo 15  è nel tuo database!")});
    QCOMPARE(state.catalogue.title(12), QStringLiteral("Titolo 12x"));
}

void TestNavigation::playStopAndStopOnMove()
{
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(3)));
    writeFile(paths::track(2), "ID3");
    FakePlayer player;
    e.form->setTrackPlayer(&player);
    QVERIFY(e.load());
    QVERIFY(player.played.isEmpty());   // never starts by itself

    QScrollBar *selector = e.selector();
    QLabel *icon = e.get<QLabel>("Picture1");
    selector->setValue(2);
    QVERIFY(player.played.isEmpty());
    QTest::mouseClick(icon, Qt::LeftButton);
    QCOMPARE(player.played, QStringList{paths::track(2)});
    QVERIFY(player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);
    QVERIFY(!player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);
    QVERIFY(player.isPlaying());
    selector->setValue(3);
    QVERIFY(!player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);   // hidden icon, no track: nothing plays
    QCOMPARE(player.played.size(), 2);
    // The keyboard does what the clicks do: Space on the icon, Ctrl+P from anywhere.
    selector->setValue(2);
    QVERIFY(e.activate());
    icon->setFocus();
    QTest::keyClick(icon, Qt::Key_Space);
    QVERIFY(player.isPlaying());
    QTest::keyClick(icon, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!player.isPlaying());
    QCOMPARE(e.notifier.count(), 0);

    emit player.failed(QStringLiteral("Impossibile riprodurre la base"));
    QCOMPARE(e.notifier.warned, QStringList{QStringLiteral("Impossibile riprodurre la base")});
}

void TestNavigation::keyboardWalk_data()
{
    // The first name is where the focus is when the window opens; each later step is
    // "Key>where the focus goes", Tab when no key is given. A popup menu counts as focus.
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("steps");
    const QStringList picker{"File1", "Dir1", "Command1", "Command2", "File1", "Backtab>Command2"};
    QTest::newRow("editor") << "Form1"
                            << QStringList{"Text1",    "Text2",    "Text3",    "Text4",   "Command2", "Command3",
                                           "Command4", "Command1", "VScroll1", "Command5", "Picture1", "Image1", "Image2", "cerca",
                                           "Text1",    "Backtab>cerca", "F10>edit"};
    QTest::newRow("left picker") << "sinistra" << picker;
    QTest::newRow("right picker") << "destra" << picker;
    QTest::newRow("track window")
        << "mp3"
        << QStringList{"File1",          "Command3_1",      "Down>Command3_2", "Right>Command3_13",
                       "Up>Command3_12", "Left>Command3_1", "Up>Command3_1",   "Right>Command3_12",
                       "Command1",       "Dir1",            "File1",           "Command3_12",
                       "Backtab>File1"};
}

void TestNavigation::keyboardWalk()
{
    QFETCH(QString, window);
    QFETCH(QStringList, steps);
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(3)));
    writeFile(paths::track(3), "ID3");
    QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), paths::categoryList()));
    AttachmentWindows windows(e.document, e.notifier);
    QVERIFY(e.load());
    QWidget *shown = e.form.get();
    if (window == QLatin1String("sinistra")) {
        windows.openLeftPicker();
        shown = windows.leftPicker();
    } else if (window == QLatin1String("destra")) {
        windows.openRightPicker();
        shown = windows.rightPicker();
    } else if (window == QLatin1String("mp3")) {
        windows.openTrackWindow();
        shown = windows.trackWindow();
    }
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));

    auto focused = [shown] {
        QWidget *popup = QApplication::activePopupWidget();
        QWidget *widget = popup ? popup : shown->focusWidget();
        return widget ? widget->objectName() : QStringLiteral("<none>");
    };
    QCOMPARE(focused(), steps.first());
    for (const QString &step : steps.mid(1)) {
        const QString key = step.contains(QLatin1Char('>')) ? step.section(QLatin1Char('>'), 0, 0) : QStringLiteral("Tab");
        QTest::keyClick(shown->focusWidget(), QKeySequence::fromString(key)[0].key());
        QCOMPARE(focused(), step.section(QLatin1Char('>'), -1));
    }
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    // Every menu and every item has its Alt letter.
    for (QAction *menu : e.form->menuBar()->actions())
        for (QAction *item : QList<QAction *>{menu} + menu->menu()->actions())
            QVERIFY2(item->isSeparator() || item->text().contains(QLatin1Char('&')), qPrintable(item->text()));
    shown->hide();
}

void TestNavigation::accessibleNamesFollowTheRecord_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("track");
    QTest::newRow("both pages and a track") << 2 << "Pagina di sinistra dello spartito 2"
                                            << "Pagina di destra dello spartito 2" << true;
    QTest::newRow("left page only") << 3 << "Pagina di sinistra dello spartito 3"
                                    << "Pagina di destra dello spartito 3: nessuna pagina" << false;
    QTest::newRow("no files") << 1 << "Pagina di sinistra dello spartito 1: nessuna pagina"
                              << "Pagina di destra dello spartito 1: nessuna pagina" << false;
}

// What a screen reader is told of the pages and the track follows the record.
void TestNavigation::accessibleNamesFollowTheRecord()
{
    QFETCH(int, record);
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(4)));
    for (const QString &page : {paths::leftPage(2), paths::rightPage(2), paths::leftPage(3), paths::leftPage(4)})
        writeFile(page, "not a picture");
    writeFile(paths::track(2), "ID3");
    QVERIFY(e.load());
    e.moveTo(record);

    QLabel *left = e.get<QLabel>("Image1");
    QLabel *right = e.get<QLabel>("Image2");
    QLabel *icon = e.get<QLabel>("Picture1");
    QTEST(accessibleName(left), "left");
    QTEST(accessibleName(right), "right");
    QCOMPARE(accessibleName(icon), QStringLiteral("Ascolta la base dello spartito %1").arg(record));
    QTEST(icon->isVisibleTo(e.form.get()), "track");
    QTEST(e.form->findChild<QAction *>(QStringLiteral("ascolta"))->isEnabled(), "track");
    QCOMPARE(accessibleName(e.get<QLabel>("Label6")), QStringLiteral("Sono presenti 4 Titoli nell'archivio"));
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
