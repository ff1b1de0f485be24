// Numbers typed in the editor's menus, through the real dialog: out of range refused, in range obeyed.

#include "editorfixture.h"
#include "messageboxnotifier.h"

#include <QAction>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

using namespace spartiti;

class TestNumberDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal");       // empty: the number is taken
        QTest::addColumn<int>("shown");             // the score on show afterwards
        QTest::addColumn<QString>("titleOf10");     // score 10's title afterwards
        const QString move = "spostaSpartito", goTo = "vaiAlNumero", unchanged = "Titolo 10";
        const QString scores = "Il numero deve essere compreso fra 1 e 40.";
        QTest::newRow("move to 41") << move << "41" << scores << 6 << unchanged;
        QTest::newRow("move to 0") << move << "0" << scores << 6 << unchanged;
        QTest::newRow("move to 10") << move << "10" << QString() << 10 << "Titolo 6";
        // The selector reaches one empty score past the last.
        QTest::newRow("go to 42") << goTo << "42" << "Il numero deve essere compreso fra 1 e 41." << 6 << unchanged;
        QTest::newRow("go to 41") << goTo << "41" << QString() << 41 << unchanged;
    }
    void typedNumbers()
    {
        QFETCH(QString, action);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        testsupport::WorkingFolder folder;
        const QByteArray archive = testsupport::archiveBytes(testsupport::numberedRecords(40));
        testsupport::writeFile(folder.catalogue().archive(), archive);
        Module1 state;
        MessageBoxNotifier notifier;
        CatalogueDocument document(folder.catalogue(), state, notifier);
        Form1 form(document, notifier);
        notifier.setParent(&form);
        QVERIFY(!form.Form_Load());
        form.show();
        QScrollBar *selector = form.findChild<QScrollBar *>("VScroll1");
        selector->setValue(6);
        // Any message box fails the test instead of waiting for a click.
        QStringList boxes;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes.append(box->text());
                box->done(QMessageBox::Cancel);
            }
        });
        closer.start(50);
        // In the dialog: types over the number on offer, presses Enter, notes what it shows.
        bool found = false, stayedOpen = false;
        QString shownRefusal, fieldText;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *field = dialog ? dialog->findChild<QLineEdit *>("numero") : nullptr;
            if (!(found = field != nullptr))
                return dialog ? dialog->reject() : void();
            QTest::keyClicks(field, typed);
            QTest::keyClick(field, Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            const auto *words = dialog->findChild<QLabel *>("numeroRifiutato");
            shownRefusal = words && !words->isHidden() ? words->text() : QString();
            fieldText = field->text();
            if (stayedOpen)
                dialog->reject();
        });
        form.findChild<QAction *>(action)->trigger();
        QCOMPARE(boxes, QStringList());
        QVERIFY(found);
        QCOMPARE(shownRefusal, refusal);
        QCOMPARE(stayedOpen, !refusal.isEmpty());
        if (stayedOpen)
            QCOMPARE(fieldText, typed);
        QTEST(selector->value(), "shown");
        QTEST(document.catalogue().title(10), "titleOf10");
        if (!refusal.isEmpty())
            QCOMPARE(testsupport::readFile(folder.catalogue().archive()), archive);
        form.hide();
    }
};

QTEST_MAIN(TestNumberDialog)
#include "tst_numberdialog.moc"
