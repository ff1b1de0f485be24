// The editor window: what it shows of the record on show, where typing and its buttons go,
// the question before closing, the characters a field refuses, and files dropped on the pages.

#include "backups.h"
#include "editorfixture.h"
#include "webpagereader.h"

#include <QImage>
#include <QMimeData>
#include <QWheelEvent>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Editor = testsupport::EditorFixture;

namespace {

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
    // The editor opens on the last record; the selector's keys and the wheel move one
    // record; typing goes to the record on show, which saving writes.
    void movingAndTyping()
    {
        Editor e(12);
        QVERIFY(e.load());
        QCOMPARE(e.record(), QStringLiteral("12|Titolo 12|Autore 12"));
        QCOMPARE(e.get<QLabel>("Label6")->text(), QStringLiteral("Sono presenti 12 Titoli nell'archivio"));
        QCOMPARE(e.selector()->maximum(), 13);   // one empty record past the last
        e.moveTo(5);
        QCOMPARE(e.record(), QStringLiteral("5|Titolo 5|Autore 5"));
        QCOMPARE(e.state.currentNumber(), 5);
        QTest::keyClick(e.selector(), Qt::Key_Down);
        QCOMPARE(e.selector()->value(), 6);
        // The wheel turned towards the user goes forward, over the selector and the pages.
        wheel(e.selector(), -120);
        QCOMPARE(e.selector()->value(), 7);
        wheel(e.get<QLabel>("Image2"), 120);
        QCOMPARE(e.record(), QStringLiteral("6|Titolo 6|Autore 6"));
        QCOMPARE(e.notifier.count(), 0);

        QTest::keyClicks(e.field("Text4"), QStringLiteral(" due"));
        e.click("Command1");
        auto records = testsupport::numberedRecords(12);
        records[5][2] = "tag uno due";
        QCOMPARE(readFile(e.catalogue().archive()), archiveBytes(records));
        QCOMPARE(e.notifier.informed, QStringList{QStringLiteral("OK!  Titolo 12  è nel tuo database!")});
        QCOMPARE(e.get<QLabel>("Label6")->text(), QStringLiteral("Sono presenti 12 Titoli nel file spartiti/archivio.js"));
    }
    // The pages, the track icon, the category and what a screen reader is told of them
    // follow the record on show and its files.
    void pagesAndIconFollowFiles()
    {
        Editor e(6);
        const CatalogueFolder &catalogue = e.catalogue();
        for (const QString &page : {catalogue.leftPage(3), catalogue.leftPage(4), catalogue.rightPage(4)})
            writeJpeg(page);
        writeFile(catalogue.track(4), "ID3");
        QDir().mkdir(catalogue.leftPage(5));   // a folder named like a page
        QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), catalogue.categoryList()));
        QVERIFY(e.load());
        QLabel *icon = e.get<QLabel>("Picture1");
        QAction *play = e.get<QAction>("ascolta");

        e.moveTo(4);
        QTRY_VERIFY(e.shows("Image1") && e.shows("Image2"));
        QVERIFY(!icon->isHidden() && play->isEnabled());
        QCOMPARE(e.get<QLabel>("Image2")->accessibleName(), QStringLiteral("Pagina di destra dello spartito 4"));
        QCOMPARE(icon->accessibleName(), QStringLiteral("Ascolta la base dello spartito 4"));
        QCOMPARE(e.get<QLabel>("categoria")->text(), QStringLiteral("Categoria: Musica sacra"));
        e.moveTo(7);
        QCOMPARE(e.get<QLabel>("categoria")->text(), QStringLiteral("Nessuna categoria"));
        e.moveTo(3);
        QTRY_VERIFY(e.shows("Image1") && !e.shows("Image2"));
        QVERIFY(icon->isHidden() && !play->isEnabled());
        QCOMPARE(e.get<QLabel>("Image1")->accessibleName(), QStringLiteral("Pagina di sinistra dello spartito 3"));
        QCOMPARE(e.get<QLabel>("Image2")->accessibleName(),
                 QStringLiteral("Pagina di destra dello spartito 3: nessuna pagina"));
        e.moveTo(5);
        QVERIFY(!e.shows("Image1") && !e.shows("Image2"));
        e.moveTo(6);
        QCOMPARE(e.notifier.count(), 0);

        // A page attached to the record on show appears without moving away.
        writeJpeg(catalogue.rightPage(6));
        e.form->refreshAttachments(5);
        QVERIFY(!e.shows("Image2"));
        e.form->refreshAttachments(6);
        QTRY_VERIFY(e.shows("Image2"));
    }
    void newTitle_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("edited");   // the record given `title` before "+"
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("at");       // the record on show at "+"
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty archive, no title yet") << 0 << 1 << "" << 1 << 1 << "1||";
        QTest::newRow("empty archive, first title") << 0 << 1 << "Primo" << 1 << 1 << "1|Primo|";
        QTest::newRow("typed past the last, from elsewhere") << 12 << 13 << "Tredici" << 3 << 13 << "13|Tredici|";
        QTest::newRow("nothing typed past the last") << 12 << 12 << "Nuovo" << 12 << 13 << "13||";
        QTest::newRow("the last has no title") << 12 << 12 << "" << 12 << 12 << "12||Autore 12";
        QTest::newRow("full archive") << 3276 << 3276 << "Ultimo" << 3276 << 3276 << "3276|Ultimo|Autore 3276";
    }
    // "+" counts and shows the record past the last once the last has a title, wherever the selector
    // is; undo gives back count, place and range. A record typed past the last waits for "+".
    void newTitle()
    {
        QFETCH(int, records);
        QFETCH(int, edited);
        QFETCH(int, at);
        Editor e(records);
        QVERIFY(e.load());
        QCOMPARE(e.selector()->value(), std::max(records, 1));
        QCOMPARE(e.selector()->maximum(), records + 1);
        e.moveTo(edited);
        QFETCH(QString, title);
        e.field("Text2")->setText(title);
        QCOMPARE(e.document.isModified(), edited <= records);
        e.moveTo(at);
        e.click("Command5");
        QTEST(int(e.document.catalogue().scoreCount()), "count");
        QTEST(e.record(), "shown");
        QCOMPARE(e.notifier.warned, records == 3276 ? QStringList{"L'archivio può contenere al massimo 3276 titoli"}
                                                    : QStringList{});
        if (e.document.catalogue().scoreCount() > records) {
            e.history()->undo();
            QCOMPARE(e.document.catalogue().scoreCount(), records);
            QCOMPARE(e.selector()->value(), at);
            QCOMPARE(e.selector()->maximum(), records + 1);
        }
    }
    void unsavedEditsQuestion_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing changed ends at once") << false << int(Notifier::Answer::Cancel) << true << false;
        QTest::newRow("save") << true << int(Notifier::Answer::Save) << true << true;
        QTest::newRow("discard") << true << int(Notifier::Answer::Discard) << true << false;
        QTest::newRow("cancel") << true << int(Notifier::Answer::Cancel) << false << false;
    }
    void unsavedEditsQuestion()
    {
        QFETCH(bool, edit);
        QFETCH(int, answer);
        for (const bool viaMenu : {false, true}) {
            Editor e(2);
            QVERIFY(e.load());
            const QByteArray archive = readFile(e.catalogue().archive());
            if (edit)
                QTest::keyClicks(e.field("Text4"), QStringLiteral(" nuovo"));
            e.notifier.nextAnswer = Notifier::Answer(answer);
            viaMenu ? e.form->chiudi_Click() : void(e.form->close());
            QCOMPARE(e.notifier.asked, edit ? QStringList{"Ci sono modifiche non salvate. Salvarle prima di uscire?"}
                                            : QStringList{});
            QTEST(!e.form->isVisible(), "ends");
            QTEST(readFile(e.catalogue().archive()) != archive, "saved");
        }
    }
    void refusedCharacters_data()
    {
        QTest::addColumn<QString>("typed");   // pasted at once
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("hint");
        const auto refused = [](const char *what) {
            return QStringLiteral("Non ammesso: l'archivio non può contenere %1.").arg(QString::fromUtf8(what));
        };
        QTest::newRow("double quote") << "Il \"re\"" << "Il re" << refused("le virgolette \"");
        QTest::newRow("line break") << "a\nb" << "ab" << refused("un a capo");
        QTest::newRow("outside windows-1252") << "Ωmega" << "mega" << refused("il carattere «Ω»");
        QTest::newRow("backslashes") << "C:\\nuovo AC\\DC \\u00e8" << "C:nuovo ACDC u00e8"
                                     << refused("la barra rovesciata \\ (la pagina web la leggerebbe diversamente)");
        QTest::newRow("windows-1252 letters allowed") << "perché, € 5" << "perché, € 5" << QString();
    }
    // What the field keeps is what is saved, and what a web page including the saved archive reads.
    void refusedCharacters()
    {
        QFETCH(QString, typed);
        Editor e(1);
        QVERIFY(e.load());
        QLineEdit *title = e.field("Text2");
        title->clear();
        title->insert(typed);
        QTEST(title->text(), "kept");
        QTEST(e.document.catalogue().title(1), "kept");
        QTEST(e.form->lastRefusalHint(), "hint");
        e.click("Command1");
        QVERIFY(e.notifier.warned.isEmpty());
        QStringList page;
        testsupport::pageReads(readFile(e.catalogue().archive()), QStringLiteral("archivio"), page);
        QCOMPARE(page.value(1), title->text());
    }
    // An archive re-saved in UTF-8 gets one question. Converting keeps the file as it was
    // among the backups and leaves the catalogue modified, saved next as Windows-1252.
    void utf8ArchiveAtStartUp()
    {
        const QByteArray utf8 = archiveBytes({{"La donna \xc3\xa8 mobile", "Verdi, Giuseppe", "", "2"}});
        Editor e(utf8);
        e.notifier.choices = {0};
        QVERIFY(e.load());
        QCOMPARE(e.notifier.asked, QStringList{QStringLiteral("L'archivio sembra scritto in UTF-8 (per esempio \"è\" "
                                                              "appare come \"Ã¨\"). Convertirlo in Windows-1252?")});
        QCOMPARE(e.notifier.buttons, (QStringList{QStringLiteral("Converti"), QStringLiteral("Lascia così")}));
        QCOMPARE(e.field("Text2")->text(), QStringLiteral("La donna è mobile"));
        QVERIFY(e.document.isModified());
        QCOMPARE(readFile(backups::list(e.catalogue().archive()).value(0)), utf8);
        e.click("Command1");
        QCOMPARE(readFile(e.catalogue().archive()), archiveBytes({{"La donna \xe8 mobile", "Verdi, Giuseppe", "", "2"}}));
    }
    // Files dropped from a file manager, with the rules of the pickers: what is written in
    // the data folder, the one message, and the track window asked for with the file.
    void dropToAttach_data()
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
        QTest::newRow("audio on a page") << left << QStringList{"t.mp3"} << "" << "Su una pagina si può trascinare solo un'immagine.";
        QTest::newRow("picture on track") << track << QStringList{"p.jpg"} << "" << "Sulla base si può trascinare solo un file audio.";
        QTest::newRow("two files") << right << QStringList{"p.jpg", "q.jpg"} << "" << "Trascina un solo file alla volta.";
        QTest::newRow("a folder") << left << QStringList{"cartella"} << "" << "Una cartella non si può allegare: trascina un file.";
    }
    void dropToAttach()
    {
        QFETCH(int, target);
        QFETCH(QStringList, dropped);
        QFETCH(QString, written);
        Editor e(3);
        for (const QString &name : {e.catalogue().placeholderPage(), e.file(QStringLiteral("p.jpg")), e.file(QStringLiteral("q.jpg"))})
            writeJpeg(name);
        writeFile(e.file(QStringLiteral("t.mp3")), "ID3");
        QDir().mkdir(e.file(QStringLiteral("cartella")));
        QVERIFY(e.load());
        e.moveTo(2);
        QSignalSpy trackAsked(e.form.get(), &Form1::trackFileDropped);
        QList<QUrl> urls;
        for (const QString &name : dropped)
            urls.append(QUrl::fromLocalFile(e.file(name)));
        QMimeData data;
        data.setUrls(urls);

        const bool taken = e.form->dropFiles(&data, DropTarget(target));
        QTRY_VERIFY(!e.document.attachRunning());
        QCOMPARE(QString(QFile::exists(e.catalogue().leftPage(2)) ? "L" : "") + (QFile::exists(e.catalogue().rightPage(2)) ? "R" : ""),
                 written);
        QTEST(e.notifier.informed.value(0) + e.notifier.warned.value(0), "message");
        QCOMPARE(trackAsked.size(), target == int(DropTarget::Track) && taken ? 1 : 0);
        if (taken && target == int(DropTarget::Track))
            QCOMPARE(trackAsked.first().first().toString(), urls.first().toLocalFile());
        // A page attached by a drop is one undoable step, as from the pickers.
        if (!written.isEmpty()) {
            e.history()->undo();
            QVERIFY(!QFile::exists(e.catalogue().rightPage(2)));
        }
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
