#include "attachmentwindows.h"
#include "attachrunner.h"
#include "backups.h"
#include "browsertesting.h"
#include "pagepicker.h"
#include "editorfixture.h"
#include "webpagereader.h"

#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QUndoStack>
#include <QWheelEvent>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

using Editor = testsupport::EditorFixture;

// One notch of the wheel over `over`: positive turns it away from the user.
void wheel(QWidget *over, int delta)
{
    QWheelEvent event(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
}

void writeJpeg(const QString &path)
{
    QImage page(120, 170, QImage::Format_RGB32);
    page.fill(Qt::white);
    QVERIFY(page.save(path, "JPEG"));
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void startUpAndMoving();
    void pagesAndIconFollowFiles();
    void typingThenSavingWritesArchive();
    void newTitleSequence();
    void newTitleStopsAtArchiveCapacity();
    void emptyArchiveGetsFirstRecord();
    void unsavedEditsQuestion_data();
    void unsavedEditsQuestion();
    void refusedCharacters_data();
    void refusedCharacters();
    void utf8ArchiveAtStartUp_data();
    void utf8ArchiveAtStartUp();
    void dropToAttach_data();
    void dropToAttach();
    void separateVisitsAreSeparateSteps();
    void attachFromPickerIsUndone();
};

// The editor opens on the last record; moving over every record and saving changes
// nothing.
void TestForm1::startUpAndMoving()
{
    const QByteArray archive = archiveBytes(testsupport::numberedRecords(12));
    Editor e(archive);
    QVERIFY(e.load());
    QCOMPARE(e.field("Text1")->text(), QStringLiteral("12"));
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 12"));
    QCOMPARE(e.field("Text3")->text(), QStringLiteral("Autore 12"));
    QCOMPARE(e.get<QLabel>("Label6")->text(), QStringLiteral("Sono presenti 12 Titoli nell'archivio"));
    QCOMPARE(e.selector()->maximum(), 13);
    QCOMPARE(e.state.currentNumber(), 12);
    QVERIFY(!e.document.isModified());
    QCOMPARE(e.notifier.count(), 0);

    for (int v = 13; v >= 1; --v) {
        e.moveTo(v);
        QCOMPARE(e.field("Text1")->text(), QString::number(v));
        QCOMPARE(e.state.currentNumber(), v);
    }
    QTest::keyClick(e.selector(), Qt::Key_Down);
    QCOMPARE(e.selector()->value(), 2);
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Titolo 2"));
    // The wheel turned towards the user goes forward, over the selector and the pages.
    wheel(e.selector(), -120);
    QCOMPARE(e.selector()->value(), 3);
    wheel(e.get<QLabel>("Image2"), 120);
    QCOMPARE(e.selector()->value(), 2);
    QVERIFY(!e.document.isModified());
    e.click("Command1");
    QCOMPARE(readFile(paths::archive()), archive);
}

void TestForm1::pagesAndIconFollowFiles()
{
    Editor e(archiveBytes(testsupport::numberedRecords(6)));
    writeJpeg(paths::leftPage(3));
    writeJpeg(paths::leftPage(4));
    writeJpeg(paths::rightPage(4));
    writeFile(paths::track(4), "ID3");
    QDir().mkdir(paths::leftPage(5));               // a folder named like a page
    QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), paths::categoryList()));
    QVERIFY(e.load());

    e.moveTo(4);
    QTRY_VERIFY(e.shows("Image1") && e.shows("Image2"));
    QVERIFY(!e.get<QLabel>("Picture1")->isHidden());
    QCOMPARE(e.get<QLabel>("categoria")->text(), QStringLiteral("Categoria: Musica sacra"));
    e.moveTo(7);
    QCOMPARE(e.get<QLabel>("categoria")->text(), QStringLiteral("Nessuna categoria"));
    e.moveTo(3);
    QTRY_VERIFY(e.shows("Image1") && !e.shows("Image2"));
    QVERIFY(e.get<QLabel>("Picture1")->isHidden());
    e.moveTo(5);
    QVERIFY(!e.shows("Image1") && !e.shows("Image2"));
    e.moveTo(6);
    QCOMPARE(e.notifier.count(), 0);

    // A page attached to the record on show appears without moving away.
    writeJpeg(paths::rightPage(6));
    e.form->refreshAttachments(5);
    QVERIFY(!e.shows("Image2"));
    e.form->refreshAttachments(6);
    QTRY_VERIFY(e.shows("Image2"));
}

void TestForm1::typingThenSavingWritesArchive()
{
    Editor e(archiveBytes(testsupport::numberedRecords(3)));
    QVERIFY(e.load());
    e.moveTo(2);
    QLineEdit *title = e.field("Text2");
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Citt"));
    title->insert(QStringLiteral("à"));   // key clicks carry ASCII only
    QCOMPARE(e.state.catalogue.title(2), QStringLiteral("Città"));
    e.field("Text3")->clear();
    QVERIFY(e.state.catalogue.author(2).isEmpty());
    QVERIFY(e.document.isModified());

    e.click("Command1");
    auto records = testsupport::numberedRecords(3);
    records[1][0] = "Citt\xe0";
    records[1][1] = "";
    QCOMPARE(readFile(paths::archive()), archiveBytes(records));
    QCOMPARE(e.notifier.informed, QStringList{QStringLiteral("OK!  Titolo 3  è nel tuo database!")});
    QCOMPARE(e.get<QLabel>("Label6")->text(), QStringLiteral("Sono presenti 3 Titoli nel file spartiti/archivio.js"));
    QCOMPARE(e.selector()->value(), 2);
    QVERIFY(!e.document.isModified());
}

void TestForm1::newTitleSequence()
{
    Editor e(archiveBytes(testsupport::numberedRecords(12)));
    QVERIFY(e.load());

    // Typed into the empty record 13 without "+": not saved, kept in memory.
    e.moveTo(13);
    QTest::keyClicks(e.field("Text2"), QStringLiteral("Tredici"));
    e.click("Command1");
    QCOMPARE(e.state.catalogue.scoreCount(), 12);
    QCOMPARE(e.notifier.informed.last(), QStringLiteral("OK!  Titolo 12  è nel tuo database!"));

    e.moveTo(3);
    e.click("Command5");   // counts the typed record 13 and jumps to it
    QCOMPARE(e.state.catalogue.scoreCount(), 13);
    QCOMPARE(e.selector()->maximum(), 13);
    QCOMPARE(e.selector()->value(), 13);
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Tredici"));

    e.field("Text2")->clear();
    e.click("Command5");   // the last record has no title: nothing happens
    QCOMPARE(e.state.catalogue.scoreCount(), 13);
    QTest::keyClicks(e.field("Text2"), QStringLiteral("Ultimo"));
    e.click("Command5");
    QCOMPARE(e.state.catalogue.scoreCount(), 14);
    QCOMPARE(e.selector()->value(), 14);
    QVERIFY(e.field("Text2")->text().isEmpty());

    QTest::keyClicks(e.field("Text2"), QStringLiteral("Quattordici"));
    e.click("Command1");
    QCOMPARE(e.notifier.informed.last(), QStringLiteral("OK!  Quattordici  è nel tuo database!"));
    QCOMPARE(e.get<QLabel>("Label6")->text(), QStringLiteral("Sono presenti 14 Titoli nel file spartiti/archivio.js"));
    QVERIFY(readFile(paths::archive()).endsWith("\"14\",\r\n\"Quattordici\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n ];\r\n"));
}

void TestForm1::newTitleStopsAtArchiveCapacity()
{
    Editor e(archiveBytes(testsupport::numberedRecords(3276)));
    QVERIFY(e.load());
    e.moveTo(3276);
    e.click("Command5");
    QCOMPARE(e.state.catalogue.scoreCount(), 3276);
    QCOMPARE(e.notifier.warned, QStringList{QStringLiteral("L'archivio può contenere al massimo 3276 titoli")});
}

void TestForm1::emptyArchiveGetsFirstRecord()
{
    Editor e(archiveBytes({}));
    QVERIFY(e.load());
    QCOMPARE(e.selector()->minimum(), 1);
    QCOMPARE(e.selector()->maximum(), 1);
    QCOMPARE(e.field("Text1")->text(), QStringLiteral("1"));
    e.click("Command5");
    QCOMPARE(e.state.catalogue.scoreCount(), 0);
    QTest::keyClicks(e.field("Text2"), QStringLiteral("Primo"));
    e.click("Command5");
    QCOMPARE(e.state.catalogue.scoreCount(), 1);
    e.click("Command1");
    QCOMPARE(readFile(paths::archive()), archiveBytes({{"Primo", "", "", "0"}}));
}

void TestForm1::unsavedEditsQuestion_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("saved");
    QTest::newRow("nothing changed ends at once") << false << int(Notifier::Answer::Cancel) << false << true << false;
    QTest::newRow("save") << true << int(Notifier::Answer::Save) << true << true << true;
    QTest::newRow("discard") << true << int(Notifier::Answer::Discard) << true << true << false;
    QTest::newRow("cancel") << true << int(Notifier::Answer::Cancel) << true << false << false;
}

void TestForm1::unsavedEditsQuestion()
{
    QFETCH(bool, edit);
    QFETCH(int, answer);
    const QByteArray archive = archiveBytes(testsupport::numberedRecords(2));
    for (const bool viaMenu : {false, true}) {
        Editor e(archive);
        QVERIFY(e.load());
        if (edit)
            QTest::keyClicks(e.field("Text4"), QStringLiteral(" nuovo"));
        e.notifier.nextAnswer = Notifier::Answer(answer);
        if (viaMenu)
            e.form->chiudi_Click();
        else
            e.form->close();
        QTEST(!e.notifier.asked.isEmpty(), "asked");
        if (!e.notifier.asked.isEmpty())
            QCOMPARE(e.notifier.asked.first(), QStringLiteral("Ci sono modifiche non salvate. Salvarle prima di uscire?"));
        QTEST(!e.form->isVisible(), "ends");
        QTEST(readFile(paths::archive()) != archive, "saved");
    }
}

void TestForm1::refusedCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byKeys");   // typed key by key, or pasted at once
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("hint");
    const QString backslash = QStringLiteral("Non ammesso: l'archivio non può contenere la barra rovesciata \\ "
                                             "(la pagina web la leggerebbe diversamente).");
    QTest::newRow("double quote") << QStringLiteral("Il \"re\"") << false << QStringLiteral("Il re")
                                  << QStringLiteral("Non ammesso: l'archivio non può contenere le virgolette \".");
    QTest::newRow("line break pasted") << QStringLiteral("a\nb") << false << QStringLiteral("ab")
                                       << QStringLiteral("Non ammesso: l'archivio non può contenere un a capo.");
    QTest::newRow("outside windows-1252") << QStringLiteral("Ωmega") << false << QStringLiteral("mega")
                                          << QStringLiteral("Non ammesso: l'archivio non può contenere il carattere «Ω».");
    QTest::newRow("backslash typed") << QStringLiteral("Fine con barra \\") << true
                                     << QStringLiteral("Fine con barra ") << backslash;
    QTest::newRow("backslashes pasted") << QStringLiteral("C:\\nuovo AC\\DC \\u00e8") << false
                                        << QStringLiteral("C:nuovo ACDC u00e8") << backslash;
    QTest::newRow("windows-1252 letters allowed") << QStringLiteral("perché, € 5") << false
                                                  << QStringLiteral("perché, € 5") << QString();
}

// What the field keeps is what is saved, and what a web page including the saved archive
// reads.
void TestForm1::refusedCharacters()
{
    QFETCH(QString, typed);
    QFETCH(bool, byKeys);
    Editor e(archiveBytes(testsupport::numberedRecords(1)));
    QVERIFY(e.load());
    QLineEdit *title = e.field("Text2");
    title->clear();
    if (byKeys)
        e.type("Text2", typed);
    else
        title->insert(typed);
    QTEST(title->text(), "kept");
    QTEST(e.state.catalogue.title(1), "kept");
    QTEST(e.form->lastRefusalHint(), "hint");
    e.click("Command1");
    QVERIFY(e.notifier.warned.isEmpty());
    QStringList page;
    testsupport::pageReads(readFile(paths::archive()), QStringLiteral("archivio"), page);
    QCOMPARE(page.value(1), title->text());
}

void TestForm1::utf8ArchiveAtStartUp_data()
{
    QTest::addColumn<bool>("convert");
    QTest::addColumn<QString>("title");
    QTest::newRow("Converti") << true << QStringLiteral("La donna è mobile");
    QTest::newRow("Lascia così") << false << QStringLiteral("La donna Ã¨ mobile");
}

// An archive re-saved in UTF-8 gets one question. Converting keeps the file as it was
// among the backups and leaves the catalogue modified, saved next as Windows-1252.
void TestForm1::utf8ArchiveAtStartUp()
{
    QFETCH(bool, convert);
    const QByteArray utf8 = archiveBytes({{"La donna \xc3\xa8 mobile", "Verdi, Giuseppe", "", "2"}});
    Editor e(utf8);
    e.notifier.choices = {convert ? 0 : 1};
    QVERIFY(e.load());
    QCOMPARE(e.notifier.asked, QStringList{QStringLiteral("L'archivio sembra scritto in UTF-8 (per esempio \"è\" "
                                                          "appare come \"Ã¨\"). Convertirlo in Windows-1252?")});
    QCOMPARE(e.notifier.buttons, (QStringList{QStringLiteral("Converti"), QStringLiteral("Lascia così")}));
    QTEST(e.field("Text2")->text(), "title");
    QCOMPARE(e.document.isModified(), convert);
    const QStringList kept = backups::list(paths::archive());
    QCOMPARE(kept.size(), convert ? 1 : 0);
    if (convert) {
        QCOMPARE(readFile(kept.first()), utf8);
        e.click("Command1");
        QCOMPARE(readFile(paths::archive()), archiveBytes({{"La donna \xe8 mobile", "Verdi, Giuseppe", "", "2"}}));
    }
}

// Leaving a field and coming back starts a new undo step, though nothing else changed.
void TestForm1::separateVisitsAreSeparateSteps()
{
    Editor e(archiveBytes(testsupport::numberedRecords(3)));
    QVERIFY(e.load());
    e.type("Text2", QStringLiteral(" a"));
    e.type("Text2", QStringLiteral(" b"));
    QCOMPARE(e.form->history()->count(), 2);
    e.form->history()->undo();
    QCOMPARE(e.state.catalogue.title(3), QStringLiteral("Titolo 3 a"));
}

// An attach made through a picker is one step: undo puts the old files back.
void TestForm1::attachFromPickerIsUndone()
{
    Editor e(archiveBytes(testsupport::numberedRecords(4)));
    writeFile(paths::leftPage(3), "vecchia");
    writeFile(QStringLiteral("spartiti/m.jpg"), "segnaposto");
    QVERIFY(QDir().mkdir(QStringLiteral("pick")));
    writeFile(QStringLiteral("pick/nuova.jpg"), "nuova");
    QVERIFY(e.load());
    e.moveTo(3);
    AttachmentWindows windows(e.document, e.notifier);
    windows.openLeftPicker();
    PagePicker *picker = windows.leftPicker();
    browsertesting::clickFile(picker->browser(), QDir::current().absoluteFilePath(QStringLiteral("pick")),
                              QStringLiteral("nuova.jpg"));
    browsertesting::click(picker, "Command2");
    QTRY_COMPARE(e.form->history()->count(), 1);
    QCOMPARE(readFile(paths::rightPage(3)), QByteArray("segnaposto"));
    e.form->history()->undo();
    QCOMPARE(readFile(paths::leftPage(3)), QByteArray("vecchia"));
    QVERIFY(!QFileInfo::exists(paths::rightPage(3)));
    picker->hide();
}

// Files dropped from a file manager, with the rules of the pickers: what is written in
// the data folder, the one message, and the track window asked for with the file.
void TestForm1::dropToAttach_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("written");   // pages of score 2 afterwards
    QTest::addColumn<QString>("message");
    const int left = int(DropTarget::LeftPage), right = int(DropTarget::RightPage), track = int(DropTarget::Track);
    const QString done = QStringLiteral("il file è stato spostato nella cartella spartiti con successo!");
    QTest::newRow("picture on left brings the placeholder") << left << QStringList{"p.jpg"} << "LR" << done;
    QTest::newRow("picture on right") << right << QStringList{"p.jpg"} << "R" << done;
    QTest::newRow("audio on track") << track << QStringList{"t.mp3"} << "" << "";
    QTest::newRow("audio on a page") << left << QStringList{"t.mp3"} << ""
                                     << "Su una pagina si può trascinare solo un'immagine.";
    QTest::newRow("picture on track") << track << QStringList{"p.jpg"} << ""
                                      << "Sulla base si può trascinare solo un file audio.";
    QTest::newRow("two files") << right << QStringList{"p.jpg", "q.jpg"} << ""
                               << "Trascina un solo file alla volta.";
    QTest::newRow("a folder") << left << QStringList{"cartella"} << ""
                              << "Una cartella non si può allegare: trascina un file.";
}

void TestForm1::dropToAttach()
{
    QFETCH(int, target);
    QFETCH(QStringList, dropped);
    QFETCH(QString, written);
    QFETCH(QString, message);
    Editor e(archiveBytes(testsupport::numberedRecords(3)));
    writeJpeg(paths::placeholderPage());
    for (const QString &name : {QStringLiteral("p.jpg"), QStringLiteral("q.jpg")})
        writeJpeg(name);
    writeFile(QStringLiteral("t.mp3"), "ID3");
    QDir().mkdir(QStringLiteral("cartella"));
    QVERIFY(e.load());
    e.moveTo(2);
    QSignalSpy trackAsked(e.form.get(), &Form1::trackFileDropped);
    QList<QUrl> urls;
    for (const QString &name : dropped)
        urls.append(QUrl::fromLocalFile(QDir::current().absoluteFilePath(name)));
    QMimeData data;
    data.setUrls(urls);

    const bool taken = e.form->dropFiles(&data, DropTarget(target));
    QTRY_VERIFY(!AttachRunner::anyRunning());
    QString pages;
    if (QFile::exists(paths::leftPage(2)))
        pages += QLatin1Char('L');
    if (QFile::exists(paths::rightPage(2)))
        pages += QLatin1Char('R');
    QCOMPARE(pages, written);
    QCOMPARE(e.notifier.informed.value(0) + e.notifier.warned.value(0), message);
    QCOMPARE(trackAsked.size(), target == int(DropTarget::Track) && taken ? 1 : 0);
    if (taken && target == int(DropTarget::Track))
        QCOMPARE(trackAsked.first().first().toString(), urls.first().toLocalFile());
    // A page attached by a drop is one undoable step, as from the pickers.
    if (!written.isEmpty()) {
        e.form->history()->undo();
        QVERIFY(!QFile::exists(paths::rightPage(2)));
    }
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
