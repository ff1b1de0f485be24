// Deleting, inserting and moving scores: every file afterwards byte for byte, the inverse exactly
// back; one cut short is finished or undone at start-up, a damaged journal refused untouched.

#include "archive.h"
#include "catalogue.h"
#include "filesnapshot.h"
#include "reorganisation.h"
#include "reorganisationjournal.h"
#include "reorganiser.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

#include <functional>

using namespace spartiti;
using filesnapshot::FileMap;
using testsupport::writeFile;

// What a test does to the journal of a reorganisation cut short.
using Damage = std::function<void(QByteArray &)>;
Q_DECLARE_METATYPE(spartiti::Reorganisation)
Q_DECLARE_METATYPE(Damage)

namespace {

// The files are named relative to the temporary folder, as the snapshots name them.
const QString Data = QStringLiteral("spartiti");
const QString DeletedFolder = QStringLiteral("spartiti/eliminati/20240309-170502");
const QDateTime When(QDate(2024, 3, 9), QTime(17, 5, 2));

// The files of each of the five scores: 1 and 4 all three, 2 both pages, 3 none, 5 the left page.
const QList<QStringList> Files{{}, {"L", "R", "T"}, {"L", "R"}, {}, {"L", "R", "T"}, {"L"}};

QString fileName(int number, const QString &kind)
{
    return kind == QLatin1String("T") ? QStringLiteral("spartiti/audio/%1.mp3").arg(number)
                                      : QStringLiteral("spartiti/%1%2.jpg").arg(number).arg(kind);
}

// The folder when the scores stand in `order` (old numbers, 0 for a new empty score), with
// the files of score `deleted`, if any, in the dated folder (its note aside).
FileMap expectedFolder(const QList<int> &order, int deleted = 0)
{
    FileMap files{{"spartiti", "<folder>"}, {"spartiti/audio", "<folder>"}};
    QList<QList<QByteArray>> records;
    for (int s = 1; s <= order.size(); ++s) {
        const int old = order[s - 1];
        const QByteArray n = QByteArray::number(old);
        records.append(old > 0 ? QList<QByteArray>{"Titolo " + n, "Autore " + n, "tag", "3"} : QList<QByteArray>{"", "", "", "0"});
        for (const QString &kind : Files[old])
            files.insert(fileName(s, kind), "file " + fileName(old, kind).toUtf8());
    }
    files.insert(QStringLiteral("spartiti/archivio.js"), testsupport::archiveBytes(records));
    for (const QString &kind : Files[deleted]) {
        files.insert(QStringLiteral("spartiti/eliminati"), "<folder>");
        files.insert(DeletedFolder, "<folder>");
        files.insert(DeletedFolder + QLatin1Char('/') + QFileInfo(fileName(deleted, kind)).fileName(),
                     "file " + fileName(deleted, kind).toUtf8());
    }
    return files;
}

// Writes the five scores and their files; returns what is on disk then.
FileMap makeFolder(const testsupport::WorkingFolder &working)
{
    const FileMap files = expectedFolder({1, 2, 3, 4, 5});
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        if (it.value() != "<folder>")
            writeFile(working.file(it.key()), it.value());
    return filesnapshot::snapshot(working.path());
}

} // namespace

class TestReorganisation : public QObject
{
    Q_OBJECT

private slots:
    void reorganise_data()
    {
        QTest::addColumn<Reorganisation>("operation");
        QTest::addColumn<QList<int>>("order");   // empty: refused
        QTest::newRow("delete first") << Reorganisation::deletion(1) << QList<int>{2, 3, 4, 5};
        QTest::newRow("delete last") << Reorganisation::deletion(5) << QList<int>{1, 2, 3, 4};
        QTest::newRow("delete a score without files") << Reorganisation::deletion(3) << QList<int>{1, 2, 4, 5};
        QTest::newRow("move up") << Reorganisation::move(4, 1) << QList<int>{4, 1, 2, 3, 5};
        QTest::newRow("move down") << Reorganisation::move(2, 5) << QList<int>{1, 3, 4, 5, 2};
        QTest::newRow("insert first") << Reorganisation::insertion(1) << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("insert middle") << Reorganisation::insertion(3) << QList<int>{1, 2, 0, 3, 4, 5};
        QTest::newRow("insert after the last") << Reorganisation::insertion(6) << QList<int>{1, 2, 3, 4, 5, 0};
        QTest::newRow("a page past the last score is never replaced") << Reorganisation::insertion(2) << QList<int>{};
        QTest::newRow("move past the end") << Reorganisation::move(2, 6) << QList<int>{};
    }
    // Each operation leaves the expected folder, and its inverse puts the folder back. Cut
    // short after each of its steps in turn, either is finished at start-up to exactly the
    // folder a whole run leaves.
    void reorganise()
    {
        QFETCH(Reorganisation, operation);
        QFETCH(QList<int>, order);
        testsupport::WorkingFolder working;
        const QString data = working.catalogue().path();
        const auto snapshot = [&] { return filesnapshot::snapshot(working.path()); };
        makeFolder(working);
        if (order.isEmpty() && operation.kind == Reorganisation::Kind::Insert)
            writeFile(working.catalogue().leftPage(6), "pagina di nessuno");
        const FileMap before = snapshot();
        ScoreCatalogue catalogue;
        QVERIFY(!readArchive(catalogue, working.catalogue().archive()));
        ReorganisationPlan forth, back;
        const auto error = spartiti::reorganise(catalogue, data, operation, When, &forth);
        QVERIFY2(bool(error) == order.isEmpty(), error ? qPrintable(error->message) : "no error");
        if (order.isEmpty()) {
            QCOMPARE(snapshot(), before);   // refused, and nothing touched
            return;
        }
        const int number = operation.number;
        const FileMap after = snapshot();
        FileMap found = after;
        const QByteArray note = found.take(DeletedFolder + QStringLiteral("/spartito.txt"));
        const FileMap expected = expectedFolder(order, operation.kind == Reorganisation::Kind::Delete ? number : 0);
        QCOMPARE(found, expected);
        QVERIFY(!expected.contains(DeletedFolder)
                || (note.contains("spartito numero " + QByteArray::number(number))
                    && note.contains("Titolo: Titolo " + QByteArray::number(number))));
        // The inverse, planned from memory (so memory holds the new catalogue), puts everything back.
        QVERIFY(!spartiti::reorganise(catalogue, data, forth.inverse, When.addSecs(60), &back));
        QCOMPARE(snapshot(), before);

        const ReorganisationSteps *ways[] = {&forth.steps, &back.steps};
        const FileMap *ends[] = {&after, &before};
        for (int way = 0; way < 2; ++way) {
            for (int cut = 0; cut < 100; ++cut) {
                const bool stopped = bool(applyReorganisation(data, *ways[way], cut));
                QString report;
                const auto error = recoverReorganisation(data, report);
                QVERIFY2(!error, error ? qPrintable(error->message) : "");
                QCOMPARE(report.contains(QStringLiteral("portato a termine")), stopped);
                QVERIFY2(snapshot() == *ends[way], qPrintable(QStringLiteral("way %1, cut after %2 steps").arg(way).arg(cut)));
                if (!stopped)
                    break;
                QVERIFY(!applyReorganisation(data, *ways[1 - way]));
            }
        }
    }
    void interrupted_data()
    {
        // Deleting score 1 renames nine files: six of scores 2 to 5, three of score 1.
        QTest::addColumn<int>("renamesDone");
        QTest::addColumn<QString>("lost");      // removed behind the program's back; "parked": the last file parked
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("outcome");   // what start-up says: finished, undone or refused
        const Damage none, tearMark = [](QByteArray &j) { j.chop(4); };
        QTest::newRow("mark of the second phase torn") << 9 << "" << tearMark << "portato a termine";
        QTest::newRow("a torn mark in the first phase") << 2 << "" << Damage([](QByteArray &j) { j += "seconda"; }) << "portato a termine";
        QTest::newRow("a file gone before it was renamed") << 2 << "5L.jpg" << none << "annullato, ma questi file non si sono potuti rimettere a posto: 5L.jpg.";
        QTest::newRow("a parked file gone in the second phase") << 12 << "parked" << none << "annullato, ma questi file non si sono potuti rimettere a posto: audio/1.mp3.";
        QTest::newRow("truncated journal") << 2 << "" << Damage([](QByteArray &j) { j.truncate(j.size() / 2); }) << "danneggiato";
        QTest::newRow("one byte changed") << 12 << "" << Damage([](QByteArray &j) { j[j.size() / 3] = j[j.size() / 3] ^ 1; }) << "danneggiato";
        QTest::newRow("text after the checksum") << 2 << "" << Damage([](QByteArray &j) { j += "altro\n"; }) << "danneggiato";
    }
    void interrupted()
    {
        QFETCH(int, renamesDone);
        QFETCH(QString, lost);
        QFETCH(Damage, damage);
        QFETCH(QString, outcome);
        testsupport::WorkingFolder working;
        const QString data = working.catalogue().path();
        const auto snapshot = [&] { return filesnapshot::snapshot(working.path()); };
        FileMap before = makeFolder(working);
        ScoreCatalogue catalogue, after;
        QVERIFY(!readArchive(catalogue, working.catalogue().archive()));
        ReorganisationPlan plan;
        QVERIFY(!planReorganisation(catalogue, listDataFolder(data), Reorganisation::deletion(1), When, plan, after));
        QCOMPARE(plan.steps.moves.size(), 9);
        QVERIFY(applyReorganisation(data, plan.steps, renamesDone));
        const QString journal = journal::path(data);
        if (!lost.isEmpty()) {
            const bool parked = lost == QLatin1String("parked");
            QVERIFY(QFile::remove(data + QLatin1Char('/') + (parked ? plan.steps.moves.last().temporary : lost)));
            before.remove(Data + QLatin1Char('/') + (parked ? plan.steps.moves.last().from : lost));
        }
        if (damage) {
            QByteArray bytes = testsupport::readFile(journal);
            damage(bytes);
            writeFile(journal, bytes);
        }

        // A damaged journal leaves everything; otherwise the journal goes, the folder as before or after.
        const bool refused = outcome == QLatin1String("danneggiato");
        const FileMap expected = refused ? snapshot()
                                         : outcome.startsWith(QLatin1String("annullato")) ? before : expectedFolder({2, 3, 4, 5}, 1);
        QString report;
        const auto error = recoverReorganisation(data, report);
        const QString said = error ? error->message : report;
        QVERIFY2(bool(error) == refused && said.contains(outcome), qPrintable(said));
        QCOMPARE(QFileInfo::exists(journal), refused);
        FileMap found = snapshot();
        if (!refused)
            found.remove(DeletedFolder + QStringLiteral("/spartito.txt"));
        QCOMPARE(found, expected);
    }
    // A helper process carries out a step on a catalogue of 2 000 scores with their files,
    // then its inverse, and is killed at every sync to disk in turn until it gets through;
    // after every kill the start-up recovery runs and the folder must be exactly the state
    // before the step or after it.
    void killedWhileReorganising()
    {
        testsupport::WorkingFolder working;
        const CatalogueFolder folder = working.catalogue();
        const QString data = folder.path();
        const auto snapshot = [&] { return filesnapshot::snapshot(working.path()); };
        const int count = 2000;
        const QByteArray archive = testsupport::archiveBytes(testsupport::numberedRecords(count));
        writeFile(folder.archive(), archive);
        for (int i = 1; i <= count; ++i) {
            writeFile(folder.leftPage(i), "sinistra " + QByteArray::number(i));
            writeFile(folder.rightPage(i), "destra " + QByteArray::number(i));
            if (i % 3 == 0)
                writeFile(folder.track(i), "traccia " + QByteArray::number(i));
        }
        const FileMap before = snapshot();
        const QDateTime fixed(QDate(2000, 1, 1), QTime(0, 0));
        const Reorganisation steps[] = {Reorganisation::move(1, count), Reorganisation::deletion(500),
                                        Reorganisation::insertion(1000)};
        for (int step = 0; step < 3; ++step) {
            ScoreCatalogue catalogue;
            QVERIFY(!readArchive(catalogue, folder.archive()));
            ReorganisationPlan plan;
            QVERIFY(!spartiti::reorganise(catalogue, data, steps[step], fixed, &plan));
            const FileMap after = snapshot();
            QVERIFY(!spartiti::reorganise(catalogue, data, plan.inverse, fixed));
            QVERIFY(snapshot() == before);

            QList<int> seen{0, 0};
            for (int killAt = 1;; ++killAt) {
                QVERIFY2(killAt < 100, "the helper never got through");
                QProcess helper;
                helper.start(QStringLiteral(SPARTITI_KILLEDHELPER), {data, QString::number(step), QString::number(killAt)});
                QVERIFY(helper.waitForFinished(60000));
                if (helper.exitStatus() == QProcess::NormalExit) {
                    QVERIFY2(helper.exitCode() == 0, helper.readAllStandardError().constData());
                    QVERIFY(snapshot() == before);
                    break;
                }
                QString report;
                const auto error = recoverReorganisation(data, report);
                QVERIFY2(!error, error ? qPrintable(error->message) : "");
                const FileMap found = snapshot();
                const bool isBefore = found == before;
                QVERIFY2(isBefore || found == after, qPrintable(QStringLiteral("step %1 killed at sync %2").arg(step).arg(killAt)));
                ++seen[isBefore ? 0 : 1];
                // Back to the state before, for the next kill.
                if (!isBefore) {
                    ScoreCatalogue now;
                    QVERIFY(!readArchive(now, folder.archive()));
                    QVERIFY(!spartiti::reorganise(now, data, plan.inverse, fixed));
                }
                QVERIFY(snapshot() == before);
            }
            // Killed both in the step itself and in its inverse.
            QVERIFY2(seen[0] > 0 && seen[1] > 0, qPrintable(QStringLiteral("step %1").arg(step)));
        }
    }
};

QTEST_GUILESS_MAIN(TestReorganisation)
#include "tst_reorganisation.moc"
