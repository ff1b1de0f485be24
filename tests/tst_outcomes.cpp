// What the user is left with when an action does not go as planned.

#include "attachprogress.h"
#include "editorfixture.h"
#include "heldsync.h"

#include <QProgressDialog>

#include <sys/stat.h>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

class TestOutcomes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    // "Annulla" during the copy's final sync stops it and keeps the old page, and does not cancel the
    // next attach. A save that fails on closing is reported and keeps the editor open with the edits.
    void cancelledCopyThenFailedSave()
    {
        testsupport::EditorFixture e(3);
        writeFile(e.catalogue().leftPage(2), "pagina di prima");
        writeFile(e.catalogue().placeholderPage(), "segnaposto");
        const QString chosen = e.file(QStringLiteral("nuova.jpg"));
        writeFile(chosen, "pagina nuova");
        QVERIFY(e.load());
        e.moveTo(2);
        AttachProgress progress(e.document, e.form.get());
        QSignalSpy finished(&e.document, &CatalogueDocument::attachFinished);
        std::optional<testsupport::HeldSync> held(std::in_place, e.document);
        QVERIFY(!e.document.startAttach(ScoreFile::LeftPage, 2, chosen, 0, e.form.get()));
        QProgressDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = e.form->findChild<QProgressDialog *>(QStringLiteral("copyProgress"))) && dialog->isVisible());
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel && cancel->text() == QStringLiteral("Annulla"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        held->release(100);
        QVERIFY(finished.wait(30000));
        QCOMPARE(readFile(e.catalogue().leftPage(2)), QByteArray("pagina di prima"));
        QVERIFY(QDir(e.catalogue().path()).entryList({".spartiti-copia*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QVERIFY(e.notifier.warned.isEmpty());   // the user's own doing needs no word
        held.reset();
        testsupport::attachAndWait(e.document, ScoreFile::LeftPage, 2, chosen);
        QCOMPARE(readFile(e.catalogue().leftPage(2)), QByteArray("pagina nuova"));
        const QString archive = e.catalogue().archive();
        const QByteArray before = readFile(archive);
        e.type("Text2", QStringLiteral(" modificato"));
        QVERIFY(QFile::setPermissions(archive, QFileDevice::ReadOwner));
        e.notifier.nextAnswer = Notifier::Answer::Save;
        QVERIFY(!e.form->close());
        QCOMPARE(e.notifier.warned.size(), 1);
        QCOMPARE(readFile(archive), before);
        // Once the file can be written again, the same question saves and lets it close.
        QVERIFY(QFile::setPermissions(archive, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(e.form->close());
        QVERIFY(readFile(archive).contains("Titolo 2 modificato"));
    }
    // A copied page is readable by whoever reads the files beside it; a replaced one keeps its
    // mode. What the attach replaced is kept in the undo folder for the session, and goes with it.
    void pageCopyThenAnotherProgramsArchive_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("replaced");   // the mode of the page replaced, 0 for none
        QTest::addColumn<int>("expected");
        QTest::newRow("new page") << 022 << 0 << 0644;
        QTest::newRow("new page, a group that shares the folder") << 002 << 0 << 0664;
        QTest::newRow("replacing a group-writable page") << 022 << 0664 << 0664;
        QTest::newRow("replacing a private page") << 002 << 0600 << 0600;
    }
    void pageCopyThenAnotherProgramsArchive()
    {
        QFETCH(int, umask);
        QFETCH(int, replaced);
        testsupport::WorkingFolder folder;
        const CatalogueFolder catalogue = folder.catalogue();
        const QString chosen = folder.file(QStringLiteral("scelta.jpg"));
        writeFile(chosen, "scelta");
        QVERIFY(QFile::setPermissions(chosen, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        if (replaced) {
            writeFile(catalogue.rightPage(1), "vecchia");
            QVERIFY(::chmod(QFile::encodeName(catalogue.rightPage(1)).constData(), mode_t(replaced)) == 0);
        }
        writeFile(catalogue.archive(), testsupport::archiveBytes(testsupport::numberedRecords(2)));
        const mode_t previous = ::umask(mode_t(umask));
        const auto restore = qScopeGuard([previous] { ::umask(previous); });
        {
            testsupport::DocumentFixture fixture(catalogue);
            CatalogueDocument &document = fixture.document;
            QVERIFY(document.acquireLock());
            document.noteFilesSeen(1);
            testsupport::attachAndWait(document, ScoreFile::RightPage, 1, chosen);
            QVERIFY(!QDir(catalogue.file(QStringLiteral(".annulla"))).isEmpty());
            // Another program rewrote the archive before any notice reached the editor: deleting a
            // score looks at the file itself, refuses and says why, and their archive stays.
            const QByteArray other = testsupport::archiveBytes(testsupport::numberedRecords(4));
            writeFile(catalogue.archive(), other);
            QVERIFY(!document.reorganise(Reorganisation::deletion(1)));
            const QStringList &warned = fixture.notifier.warned;
            QVERIFY(warned.size() == 1 && warned[0].contains(QStringLiteral("Un altro programma ha cambiato l'archivio")));
            QCOMPARE(readFile(catalogue.archive()), other);
            QCOMPARE(document.catalogue().scoreCount(), 2);
        }
        QCOMPARE(readFile(catalogue.rightPage(1)), QByteArray("scelta"));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(catalogue.rightPage(1)).constData(), &st), 0);
        QTEST(int(st.st_mode & 07777), "expected");
        QVERIFY(!QFileInfo::exists(catalogue.file(QStringLiteral(".annulla"))));
        QVERIFY(QDir(catalogue.path()).entryList({".spartiti-copia*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
        QVERIFY(!QFileInfo::exists(catalogue.lockFile()));
    }
};

QTEST_MAIN(TestOutcomes)
#include "tst_outcomes.moc"
