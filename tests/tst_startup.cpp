// The program itself, started as a user starts it, in a copy of the demo catalogue: it
// takes the lock, reads the archive, shows the editor and writes nothing; a reorganisation
// journal it cannot trust stops it, with a message, before anything is read or renamed;
// a reorganisation cut short is finished and the user is told before the editor shows.

#include "archive.h"
#include "filesnapshot.h"
#include "reorganiser.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheDemo_data();
    void startsOnTheDemo();
};

void TestStartup::startsOnTheDemo_data()
{
    QTest::addColumn<QByteArray>("journal");   // left in spartiti by a reorganisation cut short
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("window");    // the window the program ends up showing
    QTest::newRow("the demo") << QByteArray() << 0 << QByteArray("startup_ms") << QByteArray("window Form1");
    // The catalogue does not open; the program goes on, with the welcome window.
    QTest::newRow("a damaged journal") << QByteArray("non è un giornale") << 0 << QByteArray("message ")
                                       << QByteArray("window benvenuto");
    // Score 1's deletion, stopped after two renames as a crash would stop it.
    QTest::newRow("a deletion cut short") << QByteArray("cut") << 0 << QByteArray("message ")
                                          << QByteArray("window Form1");
}

void TestStartup::startsOnTheDemo()
{
    QFETCH(QByteArray, journal);
    testsupport::WorkingFolder folder(false);
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SPARTITI_DEMO_DIR), folder.path()});
    QVERIFY(copy.waitForFinished() && copy.exitCode() == 0);
    const QString data = folder.file(QStringLiteral("spartiti"));
    const bool cut = journal == "cut";
    int scores = 0;
    if (cut) {
        spartiti::ScoreCatalogue catalogue, after;
        QVERIFY(!spartiti::readArchive(catalogue, data + QStringLiteral("/archivio.js")));
        spartiti::ReorganisationPlan plan;
        QVERIFY(!spartiti::planReorganisation(catalogue, spartiti::listDataFolder(data),
                                              spartiti::Reorganisation::deletion(1), QDateTime::currentDateTime(),
                                              plan, after));
        QVERIFY(spartiti::applyReorganisation(data, plan.steps, 2));
        scores = catalogue.scoreCount();
    } else if (!journal.isEmpty()) {
        testsupport::writeFile(data + QStringLiteral("/riordino-in-corso.txt"), journal);
    }
    const auto before = filesnapshot::snapshot(folder.path());

    // The probe ends the program once the editor has painted itself. The catalogue is
    // named on the command line: the folder that holds `spartiti`. What the program keeps
    // in its settings goes to a folder of the test's own, never the home of whoever runs it.
    QTemporaryDir settings;
    QVERIFY(settings.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SPARTITI_STARTUP_PROBE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settings.path());
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(SPARTITI_APP), {folder.path()});
    if (!app.waitForFinished(60000)) {
        app.kill();
        QFAIL("the editor never showed itself");
    }
    QTEST(app.exitCode(), "exitCode");
    QFETCH(QByteArray, output);
    const QByteArray said = app.readAllStandardOutput();
    QVERIFY2(said.startsWith(output), qPrintable(said + app.readAllStandardError()));
    QFETCH(QByteArray, window);
    QVERIFY2(said.contains(window + '\n'), qPrintable(said));
    if (!cut) {
        QCOMPARE(filesnapshot::snapshot(folder.path()), before);
        return;
    }
    // Finished: score 1 is gone, and the report said what was done.
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/riordino-in-corso.txt")));
    spartiti::ScoreCatalogue now;
    QVERIFY(!spartiti::readArchive(now, data + QStringLiteral("/archivio.js")));
    QCOMPARE(now.scoreCount(), scores - 1);
    QVERIFY2(said.contains("riordino") || said.contains("completat"), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
