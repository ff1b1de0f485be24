// The session's history as the editor drives it: field edits across records and visits,
// attaches and deleting from the menu; the check window.

#include "checkwindow.h"
#include "editorfixture.h"
#include "heldsync.h"

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;
using Editor = testsupport::EditorFixture;

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    // Each visit to a field is one step, however many keys: leaving it and coming back
    // starts another. Undo shows the record it changes, and showing it adds no step.
    void fieldEditsAcrossRecordsAndVisits()
    {
        Editor e(6);
        QVERIFY(e.load());
        e.moveTo(2);
        e.type("Text2", QStringLiteral(" a"));
        e.type("Text2", QStringLiteral(" b"));
        e.moveTo(5);
        e.field("Text3")->clear();
        QCOMPARE(e.history()->count(), 3);

        e.history()->undo();
        QCOMPARE(e.record(), QStringLiteral("5|Titolo 5|Autore 5"));
        e.history()->undo();
        QCOMPARE(e.record(), QStringLiteral("2|Titolo 2 a|Autore 2"));
        QCOMPARE(e.history()->count(), 3);
        e.history()->setIndex(3);   // redo both
        QCOMPARE(e.record(), QStringLiteral("5|Titolo 5|"));
        QCOMPARE(e.document.catalogue().title(2), QStringLiteral("Titolo 2 a b"));

        // The undo key in a field undoes the session's last step, not the field's typing.
        e.moveTo(3);
        QVERIFY(e.activate());
        e.field("Text2")->setFocus();
        QTest::keySequence(e.field("Text2"), QKeySequence::Undo);
        QCOMPARE(e.record(), QStringLiteral("5|Titolo 5|Autore 5"));
    }
    // The replaced files are kept aside without a copy, so undo and redo must still give
    // back each version byte for byte, any number of times.
    void attachUndoRestoresFilesAndCategory()
    {
        Editor e(4);
        QVERIFY(e.load());
        const CatalogueFolder &catalogue = e.catalogue();
        const QByteArray oldLeft("old left\0\xff", 10);
        writeFile(catalogue.leftPage(3), oldLeft);
        writeFile(catalogue.placeholderPage(), "new");
        writeFile(e.file(QStringLiteral("nuovo")), "new");
        // The editor showed score 3 with its left page, then moved on.
        e.moveTo(3);
        e.moveTo(1);

        // What the left picker and then the track window do: each file is replaced by a new
        // one, never written in place, and the track files score 3 under category 7.
        testsupport::attachAndWait(e.document, ScoreFile::LeftPage, 3, e.file(QStringLiteral("nuovo")));
        testsupport::attachAndWait(e.document, ScoreFile::Track, 3, e.file(QStringLiteral("nuovo")), 7);
        QCOMPARE(e.history()->count(), 2);
        QVERIFY(e.document.isModified());

        for (int round = 0; round < 2; ++round) {
            e.history()->setIndex(0);   // undo both
            QCOMPARE(e.selector()->value(), 3);
            QCOMPARE(readFile(catalogue.leftPage(3)), oldLeft);
            QVERIFY(!QFileInfo::exists(catalogue.rightPage(3)) && !QFileInfo::exists(catalogue.track(3)));
            QCOMPARE(e.document.catalogue().category(3), QStringLiteral("3"));
            QVERIFY(!e.document.isModified());
            e.history()->setIndex(2);
            QCOMPARE(readFile(catalogue.leftPage(3)) + readFile(catalogue.rightPage(3)) + readFile(catalogue.track(3)),
                     QByteArray("newnewnew"));
            QCOMPARE(e.document.catalogue().category(3), QStringLiteral("7"));
        }
    }
    void checkWindowGoesToScore()
    {
        Editor e(3);
        QVERIFY(e.load());
        e.moveTo(2);
        e.field("Text2")->clear();
        writeFile(e.catalogue().rightPage(1), "R");
        e.moveTo(3);
        e.form->checkCatalogue();
        CheckWindow *window = e.form->checkWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->rowCount(), 2);
        QCOMPARE((QList<int>{window->scoreOfRow(0), window->scoreOfRow(1)}), (QList<int>{1, 2}));
        emit window->goToScore(2);
        QCOMPARE(e.selector()->value(), 2);
        window->hide();
    }
    // Deleting from the menu saves the pending edit first, renumbers the files, and is one
    // step that undo and redo run as whole reorganisations; a running copy stops it.
    void deleteFromMenuUndoAndRedo()
    {
        Editor e(4);
        QVERIFY(e.load());
        const CatalogueFolder &catalogue = e.catalogue();
        for (int k : {2, 3})
            writeFile(catalogue.leftPage(k), "pagina " + QByteArray::number(k));
        writeFile(e.file(QStringLiteral("destra.jpg")), "destra");
        e.moveTo(4);
        e.type("Text2", QStringLiteral(" bis"));
        e.moveTo(2);
        QAction *remove = e.get<QAction>("eliminaSpartito");
        {
            // A copy of score 1's right page is held running while the deletion is asked for.
            QSignalSpy finished(&e.document, &CatalogueDocument::attachFinished);
            testsupport::HeldSync held(e.document);
            QVERIFY(!e.document.startAttach(ScoreFile::RightPage, 1, e.file(QStringLiteral("destra.jpg"))));
            remove->trigger();
            QCOMPARE(e.document.catalogue().scoreCount(), 4);
            held.release();
            QVERIFY(finished.wait(30000));
            QCOMPARE(readFile(catalogue.rightPage(1)), QByteArray("destra"));
        }
        e.notifier.yes = true;
        remove->trigger();
        QVERIFY2(e.notifier.asked.last().contains(QStringLiteral("Titolo 2")), qPrintable(e.notifier.asked.last()));
        const QByteArray deleted = testsupport::archiveBytes({{"Titolo 1", "Autore 1", "tag uno", "1"},
                                                              {"Titolo 3", "Autore 3", "tag uno", "3"},
                                                              {"Titolo 4 bis", "Autore 4", "tag uno", "4"}});
        QCOMPARE(readFile(catalogue.archive()), deleted);
        QCOMPARE(readFile(catalogue.leftPage(2)), QByteArray("pagina 3"));
        QVERIFY(!QFile::exists(catalogue.leftPage(3)));
        QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 3"));
        QVERIFY(!e.document.isModified());

        e.history()->undo();
        QCOMPARE(e.document.catalogue().scoreCount(), 4);
        QCOMPARE(readFile(catalogue.leftPage(2)) + '|' + readFile(catalogue.leftPage(3)), QByteArray("pagina 2|pagina 3"));
        QVERIFY(!QFileInfo::exists(catalogue.file(QStringLiteral("eliminati"))));
        e.history()->redo();
        QCOMPARE(readFile(catalogue.archive()), deleted);
        QCOMPARE(e.notifier.warned.size(), 1);   // the running copy, nothing else
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
