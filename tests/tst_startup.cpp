// The program itself, started as a user starts it on a copy of the demo catalogue.

#include "archive.h"
#include "filesnapshot.h"
#include "reorganiser.h"
#include "testsupport.h"

#include <QProcess>

using namespace spartiti;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheDemo_data()
    {
        QTest::addColumn<QByteArray>("journal");   // left in spartiti by a reorganisation cut short
        QTest::addColumn<QByteArray>("output");    // what the program prints first
        QTest::addColumn<QByteArray>("window");    // the window it ends up showing
        // It takes the lock, reads the archive, shows the editor and writes nothing.
        QTest::newRow("the demo") << QByteArray() << QByteArray("startup_ms") << QByteArray("window Form1");
        // A journal it cannot trust: a message, nothing read or renamed, the welcome window.
        QTest::newRow("a damaged journal") << QByteArray("non è un giornale") << QByteArray("message ")
                                           << QByteArray("window benvenuto");
        // Score 1's deletion, stopped after two renames as a crash would stop it: finished, and said.
        QTest::newRow("a deletion cut short") << QByteArray("cut") << QByteArray("message ") << QByteArray("window Form1");
    }
    void startsOnTheDemo()
    {
        QFETCH(QByteArray, journal);
        testsupport::WorkingFolder folder(false);
        QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SPARTITI_DEMO_DIR), folder.path()}), 0);
        const QString data = folder.file(QStringLiteral("spartiti"));
        const QString archive = data + QStringLiteral("/archivio.js");
        ScoreCatalogue catalogue, after;
        QVERIFY(!readArchive(catalogue, archive));
        if (journal == "cut") {
            ReorganisationPlan plan;
            QVERIFY(!planReorganisation(catalogue, listDataFolder(data), Reorganisation::deletion(1),
                                        QDateTime::currentDateTime(), plan, after));
            QVERIFY(applyReorganisation(data, plan.steps, 2));
        } else if (!journal.isEmpty()) {
            testsupport::writeFile(data + QStringLiteral("/riordino-in-corso.txt"), journal);
        }
        const auto before = filesnapshot::snapshot(folder.path());
        // The probe ends the program once the window has painted itself; settings go to a folder of our own.
        QTemporaryDir settings;
        qputenv("SPARTITI_STARTUP_PROBE", "1");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
        QProcess app;
        app.start(QStringLiteral(SPARTITI_APP), {folder.path()});
        QVERIFY2(app.waitForFinished(60000), "the window never showed itself");
        QCOMPARE(app.exitCode(), 0);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, window);
        const QByteArray said = app.readAllStandardOutput();
        QVERIFY2(said.startsWith(output) && said.contains(window + '\n'), qPrintable(said + app.readAllStandardError()));
        if (journal != "cut") {
            QCOMPARE(filesnapshot::snapshot(folder.path()), before);
            return;
        }
        QVERIFY(!QFileInfo::exists(data + QStringLiteral("/riordino-in-corso.txt")));
        QVERIFY(!readArchive(catalogue, archive));
        QCOMPARE(catalogue.scoreCount(), after.scoreCount());
        QVERIFY2(said.contains("riordino") || said.contains("completat"), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
