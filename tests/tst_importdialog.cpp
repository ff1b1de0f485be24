// The import dialog: the records its preview announces, where they go, and no import without a title.

#include "editorfixture.h"
#include "importdialog.h"

#include <QDialogButtonBox>
#include <QRadioButton>

using namespace spartiti;

class TestImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void previewAndPlace_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("afterShown");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("preview");
        QTest::newRow("2 pages at the end") << 2 << false << 11 << "11  «Valzer»  sinistra: pagina 1, destra: pagina 2";
        QTest::newRow("3 pages after score 4") << 3 << true << 5
                                               << "5  «Valzer 1»  sinistra: pagina 1, destra: pagina 2\n"
                                                  "6  «Valzer 2»  sinistra: pagina 3, destra: segnaposto";
    }
    void previewAndPlace()
    {
        QFETCH(int, pages);
        QFETCH(bool, afterShown);
        ImportDialog dialog({"/scansioni/Valzer.pdf"}, pages, true, {"Classica"}, 10, 4);
        dialog.findChild<QRadioButton *>("dopoQuesto")->setChecked(afterShown);
        QTEST(dialog.position(), "position");
        QTEST(dialog.preview(), "preview");
    }
    void noTitleNoImport()
    {
        ImportDialog dialog({"/scansioni/Valzer.pdf"}, 1, true, {}, 0, 0);
        QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled());
        dialog.findChild<QLineEdit *>("titolo")->clear();
        QVERIFY(!ok->isEnabled());
        QVERIFY(!dialog.findChild<QRadioButton *>("dopoQuesto")->isEnabled());
    }
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
