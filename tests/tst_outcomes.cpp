// What the user is left with when an action does not go as planned: "Annulla" in the
// copy's progress dialog stops the copy, a save that fails keeps the editor open with the
// edits, the undo folder goes when the editor ends, and a copied page is readable by
// whoever reads the files beside it.

#include "atomicfile.h"
#include "attachprogress.h"
#include "editorfixture.h"
#include "heldsync.h"

#include <QDirIterator>
#include <QProgressDialog>
#include <QSemaphore>
#include <QSignalSpy>

#include <sys/stat.h>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Every file and folder under `folder` whose name starts with `prefix`.
QStringList named(const QString &folder, const QString &prefix)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (it.next(), it.fileName().startsWith(prefix))
            found.append(it.filePath());
    return found;
}

} // namespace

class TestOutcomes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void cancelInTheProgressDialog();
    void failedSaveKeepsTheEditorOpen();
    void undoFolderGoesAtTheEnd();
    void reorganisingOverAnotherProgramsArchive();
    void copiedPagePermissions_data();
    void copiedPagePermissions();
};

// The copy is held in its final sync, the moment a large file spends longest in; the
// dialog shows after half a second and its "Annulla" is clicked as a user clicks it.
void TestOutcomes::cancelInTheProgressDialog()
{
    testsupport::EditorFixture e(3);
    writeFile(e.catalogue().leftPage(2), "pagina di prima");
    writeFile(e.catalogue().placeholderPage(), "segnaposto");
    writeFile(e.file(QStringLiteral("nuova.jpg")), "pagina nuova");
    QVERIFY(e.load());
    e.moveTo(2);
    AttachProgress progress(e.document, e.form.get());
    QSignalSpy finished(&e.document, &CatalogueDocument::attachFinished);
    std::optional<testsupport::HeldSync> held(std::in_place, e.document);
    QVERIFY(!e.document.startAttach(ScoreFile::LeftPage, 2, e.file(QStringLiteral("nuova.jpg")), 0,
                                    e.form.get()));
    QProgressDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = e.form->findChild<QProgressDialog *>(QStringLiteral("copyProgress"))) && dialog->isVisible());
    QPushButton *cancel = dialog->findChild<QPushButton *>();
    QVERIFY(cancel && cancel->text() == QStringLiteral("Annulla"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    held->release(100);
    QVERIFY(finished.wait(30000));
    const auto error = finished.first().at(2).value<std::optional<Error>>();
    QVERIFY(error && error->kind == Error::Kind::Cancelled);
    QCOMPARE(readFile(e.catalogue().leftPage(2)), QByteArray("pagina di prima"));
    QVERIFY(named(e.catalogue().path(), QStringLiteral(".spartiti-copia")).isEmpty());
    QTRY_VERIFY(!dialog || !dialog->isVisible());
    QVERIFY(e.notifier.warned.isEmpty());   // the user's own doing needs no word

    // The next attach is not cancelled by the last one's "Annulla".
    held.reset();
    finished.clear();
    QVERIFY(!e.document.startAttach(ScoreFile::LeftPage, 2, e.file(QStringLiteral("nuova.jpg")), 0,
                                    e.form.get()));
    QVERIFY(finished.wait(30000));
    QVERIFY(!finished.first().at(2).value<std::optional<Error>>());
    QCOMPARE(readFile(e.catalogue().leftPage(2)), QByteArray("pagina nuova"));
}

// Closing with unsaved edits and answering "Salva": when the save fails the user is
// told, and the editor stays open with the edits, so that nothing is lost.
void TestOutcomes::failedSaveKeepsTheEditorOpen()
{
    testsupport::EditorFixture e(3);
    QVERIFY(e.load());
    const QByteArray before = readFile(e.catalogue().archive());
    e.moveTo(1);
    e.type("Text2", QStringLiteral(" modificato"));
    QVERIFY(QFile::setPermissions(e.catalogue().archive(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    e.notifier.nextAnswer = Notifier::Answer::Save;
    QVERIFY(!e.form->close());
    QVERIFY(e.form->isVisible());
    QCOMPARE(e.notifier.warned.size(), 1);
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 1 modificato"));
    QVERIFY(e.document.isModified());
    QCOMPARE(readFile(e.catalogue().archive()), before);
    // Once the file can be written again, the same question saves and lets it close.
    QVERIFY(QFile::setPermissions(e.catalogue().archive(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(e.form->close());
    QVERIFY(readFile(e.catalogue().archive()).contains("Titolo 1 modificato"));
}

// What an attach replaced is kept in the undo folder for the session, and goes with it.
void TestOutcomes::undoFolderGoesAtTheEnd()
{
    testsupport::WorkingFolder folder;
    const CatalogueFolder catalogue = folder.catalogue();
    writeFile(catalogue.archive(), testsupport::archiveBytes(testsupport::numberedRecords(2)));
    writeFile(catalogue.leftPage(1), "vecchia");
    writeFile(folder.file(QStringLiteral("nuova.jpg")), "nuova");
    {
        Module1 state;
        testsupport::RecordingNotifier notifier;
        CatalogueDocument document(catalogue, state, notifier);
        QVERIFY(!document.load());
        QVERIFY(document.acquireLock());
        document.noteFilesSeen(1);
        QSignalSpy finished(&document, &CatalogueDocument::attachFinished);
        QVERIFY(!document.startAttach(ScoreFile::LeftPage, 1, folder.file(QStringLiteral("nuova.jpg"))));
        QVERIFY(finished.wait());
        QCOMPARE(readFile(catalogue.leftPage(1)), QByteArray("nuova"));
        QVERIFY(!named(catalogue.file(QStringLiteral(".annulla")), QString()).isEmpty());
    }
    QVERIFY(named(catalogue.path(), QStringLiteral(".annulla")).isEmpty());
    QVERIFY(named(catalogue.path(), QStringLiteral(".spartiti-copia")).isEmpty());
    QVERIFY(!QFileInfo::exists(catalogue.lockFile()));
}

// Another program rewrote the archive a moment ago, before any notice of it reached the
// editor: deleting a score, which writes the archive from memory, looks at the file
// itself, refuses and says why, and the other program's archive stays.
void TestOutcomes::reorganisingOverAnotherProgramsArchive()
{
    testsupport::WorkingFolder folder;
    const CatalogueFolder catalogue = folder.catalogue();
    writeFile(catalogue.archive(), testsupport::archiveBytes(testsupport::numberedRecords(3)));
    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document(catalogue, state, notifier);
    QVERIFY(!document.load());
    auto theirs = testsupport::numberedRecords(3);
    theirs[1][0] = "Titolo cambiato";
    const QByteArray other = testsupport::archiveBytes(theirs);
    writeFile(catalogue.archive(), other);
    QVERIFY(!document.reorganise(Reorganisation::deletion(1)));
    QCOMPARE(notifier.warned.size(), 1);
    QVERIFY(notifier.warned.first().contains(QStringLiteral("Un altro programma ha cambiato l'archivio")));
    QCOMPARE(readFile(catalogue.archive()), other);
    QCOMPARE(document.catalogue().scoreCount(), 3);
}

void TestOutcomes::copiedPagePermissions_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("replaced");   // the mode of the page replaced, 0 for none
    QTest::addColumn<int>("expected");
    QTest::newRow("new page") << 022 << 0 << 0644;
    QTest::newRow("new page, a group that shares the folder") << 002 << 0 << 0664;
    QTest::newRow("replacing a group-writable page") << 022 << 0664 << 0664;
    QTest::newRow("replacing a private page") << 002 << 0600 << 0600;
}

void TestOutcomes::copiedPagePermissions()
{
    QFETCH(int, umask);
    QFETCH(int, replaced);
    QFETCH(int, expected);
    testsupport::WorkingFolder folder;
    const CatalogueFolder catalogue = folder.catalogue();
    writeFile(catalogue.archive(), testsupport::archiveBytes(testsupport::numberedRecords(2)));
    writeFile(folder.file(QStringLiteral("scelta.jpg")), "scelta");
    QVERIFY(::chmod(QFile::encodeName(folder.file(QStringLiteral("scelta.jpg"))).constData(), 0600) == 0);
    if (replaced) {
        writeFile(catalogue.rightPage(1), "vecchia");
        QVERIFY(::chmod(QFile::encodeName(catalogue.rightPage(1)).constData(), mode_t(replaced)) == 0);
    }
    const mode_t previous = ::umask(mode_t(umask));
    const auto restore = qScopeGuard([previous] { ::umask(previous); });
    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document(catalogue, state, notifier);
    QVERIFY(!document.load());
    QSignalSpy finished(&document, &CatalogueDocument::attachFinished);
    QVERIFY(!document.startAttach(ScoreFile::RightPage, 1, folder.file(QStringLiteral("scelta.jpg")), 0,
                                  nullptr, true));
    QVERIFY(finished.wait());
    QCOMPARE(readFile(catalogue.rightPage(1)), QByteArray("scelta"));
    QCOMPARE(int(modeOf(catalogue.rightPage(1))), expected);
}

QTEST_MAIN(TestOutcomes)
#include "tst_outcomes.moc"
