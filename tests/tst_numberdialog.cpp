// The numbers typed in the editor's menus, through the real dialog: a number outside the
// scores is refused with the range named, the dialog stays open with what was typed, and
// nothing moves; a number within the range is obeyed.

#include "editorfixture.h"
#include "messageboxnotifier.h"

#include <QAction>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

using namespace spartiti;
using testsupport::readFile;

namespace {

// What the dialog showed after the typed number and Enter.
struct DialogAnswer
{
    bool found = false;
    bool stayedOpen = false;
    QString refusal;      // the words under the field, when shown
    QString fieldText;
};

QDialog *openNumberDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (dialog && dialog->isVisible() && dialog->findChild<QLineEdit *>(QStringLiteral("numero")))
            return dialog;
    }
    return nullptr;
}

// Once the next dialog is open: types `typed` as a user does over the number on offer,
// presses Enter, notes what the dialog shows, and closes it if it is still open.
void answerNextDialog(const QString &typed, DialogAnswer &answer)
{
    QTimer::singleShot(0, qApp, [typed, &answer] {
        QDialog *dialog = openNumberDialog();
        if (!dialog) {
            if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                other->reject();
            return;
        }
        answer.found = true;
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("numero"));
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, Qt::Key_Return);
        answer.stayedOpen = dialog->isVisible();
        const auto *refusal = dialog->findChild<QLabel *>(QStringLiteral("numeroRifiutato"));
        answer.refusal = refusal && !refusal->isHidden() ? refusal->text() : QString();
        answer.fieldText = field->text();
        if (dialog->isVisible())
            dialog->reject();
    });
}

// Closes every message box that opens while it lives, noting its text, so that a box
// the test does not expect fails the test instead of waiting for a click.
class MessageBoxCloser
{
public:
    MessageBoxCloser()
    {
        QObject::connect(&m_timer, &QTimer::timeout, qApp, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (box && box->isVisible()) {
                    texts.append(box->text());
                    box->done(QMessageBox::Cancel);
                }
            }
        });
        m_timer.start(50);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

} // namespace

class TestNumberDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void typedNumbers_data();
    void typedNumbers();
};

void TestNumberDialog::typedNumbers_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal");       // empty: the number is taken
    QTest::addColumn<int>("shown");             // the score on show afterwards
    QTest::addColumn<QString>("titleOf10");     // score 10's title afterwards
    const QString move = QStringLiteral("spostaSpartito");
    const QString goTo = QStringLiteral("vaiAlNumero");
    const QString scores = QStringLiteral("Il numero deve essere compreso fra 1 e 40.");
    const QString positions = QStringLiteral("Il numero deve essere compreso fra 1 e 41.");
    const QString unchanged = QStringLiteral("Titolo 10");
    // A spin box drops the digit that makes the number too large: 41 became 4, 100 10.
    QTest::newRow("move to 41") << move << "41" << scores << 6 << unchanged;
    QTest::newRow("move to 100") << move << "100" << scores << 6 << unchanged;
    QTest::newRow("move to 0") << move << "0" << scores << 6 << unchanged;
    QTest::newRow("move to past any int") << move << "99999999999" << scores << 6 << unchanged;
    QTest::newRow("move to 10") << move << "10" << QString() << 10 << QStringLiteral("Titolo 6");
    // The selector reaches one empty score past the last.
    QTest::newRow("go to 42") << goTo << "42" << positions << 6 << unchanged;
    QTest::newRow("go to 0") << goTo << "0" << positions << 6 << unchanged;
    QTest::newRow("go to 41") << goTo << "41" << QString() << 41 << unchanged;
}

void TestNumberDialog::typedNumbers()
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
    form.findChild<QScrollBar *>(QStringLiteral("VScroll1"))->setValue(6);

    DialogAnswer answer;
    MessageBoxCloser boxes;
    answerNextDialog(typed, answer);
    form.findChild<QAction *>(action)->trigger();
    QCOMPARE(boxes.texts, QStringList());

    QVERIFY(answer.found);
    QCOMPARE(answer.refusal, refusal);
    QCOMPARE(answer.stayedOpen, !refusal.isEmpty());
    if (answer.stayedOpen)
        QCOMPARE(answer.fieldText, typed);
    QTEST(form.findChild<QScrollBar *>(QStringLiteral("VScroll1"))->value(), "shown");
    QTEST(document.catalogue().title(10), "titleOf10");
    if (!refusal.isEmpty())
        QCOMPARE(readFile(folder.catalogue().archive()), archive);
    form.hide();
}

QTEST_MAIN(TestNumberDialog)
#include "tst_numberdialog.moc"
