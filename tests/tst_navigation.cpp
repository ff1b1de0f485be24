// Finding and reaching scores from the editor: the search field, the keys that move the
// selector, the track played from its icon, and the focus order of the windows.

#include "browsertesting.h"
#include "editorfixture.h"
#include "pagepicker.h"
#include "fakeplayer.h"
#include "trackwindow.h"

#include <QMenu>
#include <QMenuBar>

using namespace spartiti;
using testsupport::writeFile;
using Editor = testsupport::EditorFixture;
using testsupport::FakePlayer;

class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("accent ignored") << "perche" << QList<int>{1};
        QTest::newRow("accent in query too") << "PERCHÉ" << QList<int>{1};
        QTest::newRow("case ignored, author") << "verdi" << QList<int>{1, 2};
        QTest::newRow("several words across fields") << "verdi tenore" << QList<int>{2};
        QTest::newRow("tags, grave accents") << "napoletana funiculi" << QList<int>{3};
        QTest::newRow("no match") << "mozart" << QList<int>{};
        QTest::newRow("blank query") << "   " << QList<int>{};
    }
    // The matches listed under the search field; Enter goes to the first.
    void search()
    {
        QFETCH(QString, query);
        QFETCH(QList<int>, expected);
        Editor e(testsupport::archiveBytes({{"Perch\xe8 no", "Verdi, Giuseppe", "aria opera", "2"},
                                            {"La donna \xe8 mobile", "Verdi, Giuseppe", "aria tenore rigoletto", "2"},
                                            {"Funicul\xec funicul\xe0", "Denza, Luigi", "canzone napoletana", "3"}}));
        QVERIFY(e.load());
        e.moveTo(3);
        QLineEdit *field = e.form->searchField();
        field->setText(query);
        emit field->textEdited(query);   // as typed: key clicks carry ASCII only
        QCOMPARE(e.form->searchMatches(), expected);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(e.selector()->value(), expected.value(0, 3));
    }
    // The page keys move ten records within the ends; Ctrl+G asks for a number.
    void keyboardMoves()
    {
        Editor e(15);
        QVERIFY(e.load());
        QVERIFY(e.activate());
        QLineEdit *title = e.field("Text2");
        title->setFocus();
        const QList<QPair<QKeyCombination, int>> moves{{Qt::CTRL | Qt::Key_End, 16},   // the empty record past the last
            {Qt::Key_PageDown, 16}, {Qt::Key_PageUp, 6}, {Qt::Key_PageUp, 1}, {Qt::Key_PageDown, 11}, {Qt::CTRL | Qt::Key_Home, 1}};
        for (const auto &[key, value] : moves) {
            QTest::keyClick(title, key.key(), key.keyboardModifiers());
            QCOMPARE(e.selector()->value(), value);
        }
        e.notifier.number = 12;
        QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(e.record(), QStringLiteral("12|Titolo 12|Autore 12"));
        e.notifier.number.reset();
        QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);   // cancelled
        QCOMPARE(e.selector()->value(), 12);
        QTest::keyClick(title, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(e.form->searchField()->hasFocus());
        // Ctrl+S saves like "Salva Modifiche".
        title->setFocus();
        QTest::keyClick(title, Qt::Key_X);
        QTest::keyClick(title, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(e.notifier.informed, QStringList{QStringLiteral("OK!  Titolo 15  è nel tuo database!")});
        QCOMPARE(e.document.catalogue().title(12), QStringLiteral("Titolo 12x"));
    }
    // The icon's click, Space on it or Ctrl+P plays and stops the record's own track; moving away stops it.
    void playStopAndStopOnMove()
    {
        Editor e(3);
        writeFile(e.catalogue().track(2), "ID3");
        FakePlayer player;
        e.form->setTrackPlayer(&player);
        QVERIFY(e.load());
        QLabel *icon = e.get<QLabel>("Picture1");
        e.moveTo(2);
        QVERIFY(player.played.isEmpty());   // never starts by itself
        QTest::mouseClick(icon, Qt::LeftButton);
        QCOMPARE(player.played, QStringList{e.catalogue().track(2)});
        QTest::mouseClick(icon, Qt::LeftButton);
        QVERIFY(!player.isPlaying());
        QTest::mouseClick(icon, Qt::LeftButton);
        e.moveTo(3);
        QVERIFY(!player.isPlaying());
        QTest::mouseClick(icon, Qt::LeftButton);   // hidden icon, no track: nothing plays
        QCOMPARE(player.played.size(), 2);
        e.moveTo(2);
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
    void keyboardWalk_data()
    {
        // The first name is where the focus is when the window opens; each later step is
        // "Key>where the focus goes", Tab when no key is given, "=name" the focus put there. A popup menu counts.
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("steps");   // separated by spaces
        QTest::newRow("editor") << "Form1" << "Text1 Text2 Text3 Text4 Command2 Command3 Command4 Command1 VScroll1 Command5 "
                                              "Picture1 Image1 Image2 cerca Text1 Backtab>cerca F10>edit";
        QTest::newRow("left picker") << "sinistra" << "File1 Dir1 Command1 Command2 File1 Backtab>Command2";
        QTest::newRow("track window") << "mp3" << "File1 Command3_1 Down>Command3_2 Right>Command3_13 Up>Command3_12 Left>Command3_1 "
                                                  "Up>Command3_1 Right>Command3_12 Command1 Dir1 File1 Command3_12 Backtab>File1 "
                                                  "=Command3_11 Down>Command3_11";
    }
    void keyboardWalk()
    {
        QFETCH(QString, window);
        QFETCH(QString, steps);
        Editor e(3);
        writeFile(e.catalogue().track(3), "ID3");
        QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), e.catalogue().categoryList()));
        AttachmentWindows windows(e.document, e.notifier);
        QVERIFY(e.load());
        QWidget *shown = e.form.get();
        if (window == QLatin1String("sinistra")) {
            windows.openLeftPicker();
            shown = windows.leftPicker();
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
        const QStringList walk = steps.split(QLatin1Char(' '));
        QCOMPARE(focused(), walk.first());
        for (const QString &step : walk.mid(1)) {
            if (step.startsWith(QLatin1Char('='))) {   // the focus put there directly
                shown->findChild<QWidget *>(step.mid(1))->setFocus();
                continue;
            }
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
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
