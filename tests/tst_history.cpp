#include "atomicfile.h"
#include "backups.h"
#include "cataloguecheck.h"
#include "checkwindow.h"
#include "editorfixture.h"

#include <QUndoStack>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// An editor loaded on a catalogue of numbered records.
struct Editor : testsupport::EditorFixture
{
    explicit Editor(int records)
        : EditorFixture(testsupport::archiveBytes(testsupport::numberedRecords(records)))
    {
        load();
    }
    void undo() { form->history()->undo(); }
    void redo() { form->history()->redo(); }
};

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void fieldEditsAcrossRecords();
    void undoBackToSavedStateIsNotUnsaved();
    void newRecordUndo();
    void attachUndoRestoresFilesAndCategory();
    void backupsOfSavesAndRestore();
    void checkWindowGoesToScore();
    void deleteFromMenuUndoAndRedo();
};

void TestHistory::fieldEditsAcrossRecords()
{
    Editor e(6);
    e.selector()->setValue(2);
    e.type("Text2", QStringLiteral(" bis"));   // one step, though several keys
    e.selector()->setValue(5);
    e.field("Text3")->clear();
    QCOMPARE(e.form->history()->count(), 2);

    e.undo();
    QCOMPARE(e.selector()->value(), 5);
    QCOMPARE(e.state.catalogue.author(5), QStringLiteral("Autore 5"));
    QCOMPARE(e.field("Text3")->text(), QStringLiteral("Autore 5"));
    e.undo();
    QCOMPARE(e.selector()->value(), 2);
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Titolo 2"));
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 2"));
    QCOMPARE(e.form->history()->count(), 2);   // the display wrote back, no new step

    e.redo();
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Titolo 2 bis"));
    e.redo();
    QCOMPARE(e.selector()->value(), 5);
    QVERIFY(e.state.catalogue.author(5).isEmpty());

    // The undo key in a field undoes the session's last step, not the field's typing.
    e.selector()->setValue(3);
    QVERIFY(e.activate());
    QLineEdit *title = e.field("Text2");
    title->setFocus();
    QTest::keySequence(title, QKeySequence::Undo);
    QCOMPARE(e.state.catalogue.author(5), QStringLiteral("Autore 5"));
    QCOMPARE(e.selector()->value(), 5);
}

void TestHistory::undoBackToSavedStateIsNotUnsaved()
{
    Editor e(3);
    const QByteArray original = readFile(paths::archive());
    e.type("Text2", QStringLiteral("!"));
    QVERIFY(e.document.isModified());
    e.undo();
    QVERIFY(!e.document.isModified());

    e.redo();
    e.click("Command1");
    QVERIFY(!e.document.isModified());
    const QByteArray saved = readFile(paths::archive());
    QVERIFY(saved != original);
    e.undo();   // the file changes only at the next save
    QVERIFY(e.document.isModified());
    QCOMPARE(readFile(paths::archive()), saved);
    e.click("Command1");
    QCOMPARE(readFile(paths::archive()), original);

    // Typing into the empty record past the last changes nothing that saving writes.
    e.selector()->setValue(4);
    e.type("Text2", QStringLiteral("x"));
    QVERIFY(!e.document.isModified());
}

void TestHistory::newRecordUndo()
{
    Editor e(3);
    e.click("Command5");
    QCOMPARE(e.state.catalogue.scoreCount(), 4);
    QCOMPARE(e.selector()->maximum(), 4);
    QVERIFY(e.document.isModified());
    e.undo();
    QCOMPARE(e.state.catalogue.scoreCount(), 3);
    QCOMPARE(e.selector()->value(), 3);
    QCOMPARE(e.selector()->maximum(), 4);
    QVERIFY(!e.document.isModified());
    e.redo();
    QCOMPARE(e.state.catalogue.scoreCount(), 4);
    QCOMPARE(e.selector()->value(), 4);
}

// The replaced files are kept aside without a copy, so undo and redo must still give
// back each version byte for byte, any number of times.
void TestHistory::attachUndoRestoresFilesAndCategory()
{
    Editor e(4);
    const QByteArray oldLeft("old left\0\xff", 10);
    writeFile(paths::leftPage(3), oldLeft);
    e.selector()->setValue(1);

    // What the track window and the left picker do, between the two notifications: each
    // file is replaced by a new one, never written in place.
    e.document.beginAttach(3);
    QVERIFY(!replaceFileAtomically(paths::leftPage(3), "new left"));
    QVERIFY(!replaceFileAtomically(paths::rightPage(3), "placeholder"));
    QVERIFY(!replaceFileAtomically(paths::track(3), "track"));
    e.state.catalogue.setValue(ScoreCatalogue::Field::Category, 3, QStringLiteral("7"));
    e.document.endAttach(3);
    QVERIFY(e.document.isModified());

    for (int round = 0; round < 2; ++round) {
        e.undo();
        QCOMPARE(e.selector()->value(), 3);
        QCOMPARE(readFile(paths::leftPage(3)), oldLeft);
        QVERIFY(!QFileInfo::exists(paths::rightPage(3)));
        QVERIFY(!QFileInfo::exists(paths::track(3)));
        QCOMPARE(e.state.catalogue.category(3), QStringLiteral("3"));
        QVERIFY(!e.document.isModified());

        e.redo();
        QCOMPARE(readFile(paths::leftPage(3)), QByteArray("new left"));
        QCOMPARE(readFile(paths::track(3)), QByteArray("track"));
        QCOMPARE(e.state.catalogue.category(3), QStringLiteral("7"));
    }
}

// Naming and pruning are proven on the backups themselves; here, that a save keeps the
// archive it replaces and that a restore asks first, then reloads.
void TestHistory::backupsOfSavesAndRestore()
{
    Editor e(2);
    const QByteArray original = readFile(paths::archive());
    e.type("Text2", QStringLiteral("!"));
    e.click("Command1");
    const QStringList kept = backups::list(paths::archive());
    QCOMPARE(kept.size(), 1);
    QVERIFY(QFileInfo(kept.first()).fileName().contains(
        QRegularExpression(QStringLiteral("^archivio-\\d{8}-\\d{6}(-\\d+)?\\.js$"))));
    QCOMPARE(readFile(kept.first()), original);
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Titolo 2!"));

    e.notifier.choice = 0;
    e.notifier.yes = false;
    e.document.restoreBackup();
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Titolo 2!"));   // said no
    e.notifier.yes = true;
    e.document.restoreBackup();
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Titolo 2"));
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 2"));
    QVERIFY(!e.document.isModified());
    QCOMPARE(backups::list(paths::archive()).size(), 2);   // the replaced archive is kept too
}

void TestHistory::checkWindowGoesToScore()
{
    Editor e(3);
    e.selector()->setValue(2);
    e.field("Text2")->clear();
    writeFile(paths::rightPage(1), "R");
    e.selector()->setValue(3);
    e.form->checkCatalogue();
    CheckWindow *window = e.form->checkWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->rowCount(), 2);
    QCOMPARE(window->scoreOfRow(0), 1);
    QCOMPARE(window->scoreOfRow(1), 2);
    emit window->goToScore(2);
    QCOMPARE(e.selector()->value(), 2);
    window->hide();
}




// Deleting from the menu saves the pending edit first, renumbers the files, and is one
// step that undo and redo run as whole reorganisations; a running copy stops it.
void TestHistory::deleteFromMenuUndoAndRedo()
{
    Editor e(4);
    for (int k : {2, 3})
        writeFile(paths::leftPage(k), "pagina " + QByteArray::number(k));
    e.moveTo(4);
    e.type("Text2", QStringLiteral(" bis"));
    e.moveTo(2);
    QAction *remove = e.get<QAction>("eliminaSpartito");
    e.form->setCopyRunning(true);
    remove->trigger();
    QCOMPARE(e.state.catalogue.scoreCount(), 4);
    e.form->setCopyRunning(false);
    e.notifier.yes = true;
    remove->trigger();

    const QByteArray deleted = testsupport::archiveBytes({{"Titolo 1", "Autore 1", "tag uno", "1"},
                                                          {"Titolo 3", "Autore 3", "tag uno", "3"},
                                                          {"Titolo 4 bis", "Autore 4", "tag uno", "4"}});
    QCOMPARE(readFile(paths::archive()), deleted);
    QCOMPARE(readFile(paths::leftPage(2)), QByteArray("pagina 3"));
    QVERIFY(!QFile::exists(paths::leftPage(3)));
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 3"));
    QVERIFY(!e.document.isModified());
    QVERIFY(checkCatalogue(e.state.catalogue, paths::dataFolder()).isEmpty());

    e.undo();
    QCOMPARE(e.state.catalogue.scoreCount(), 4);
    QCOMPARE(readFile(paths::leftPage(2)), QByteArray("pagina 2"));
    QCOMPARE(readFile(paths::leftPage(3)), QByteArray("pagina 3"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("spartiti/eliminati")));
    e.redo();
    QCOMPARE(readFile(paths::archive()), deleted);
    QCOMPARE(e.notifier.warned.size(), 1);   // the running copy, nothing else
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
