// The program itself, started as a user starts it, in a copy of the demo catalogue: it
// takes the lock, reads the archive, shows the editor and writes nothing; a reorganisation
// journal it cannot trust stops it, with a message, before anything is read or renamed.

#include "filesnapshot.h"
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
    QTest::newRow("the demo") << QByteArray() << 0 << QByteArray("startup_ms");
    QTest::newRow("a damaged journal") << QByteArray("non è un giornale") << 1 << QByteArray("message ");
}

void TestStartup::startsOnTheDemo()
{
    QFETCH(QByteArray, journal);
    testsupport::WorkingFolder folder(false);
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SPARTITI_DEMO_DIR), QStringLiteral(".")});
    QVERIFY(copy.waitForFinished() && copy.exitCode() == 0);
    if (!journal.isEmpty())
        testsupport::writeFile(QStringLiteral("spartiti/riordino-in-corso.txt"), journal);
    const auto before = filesnapshot::snapshot();

    // The probe ends the program once the editor has painted itself.
    qputenv("SPARTITI_STARTUP_PROBE", "1");
    QProcess app;
    app.start(QStringLiteral(SPARTITI_APP), {});
    if (!app.waitForFinished(60000)) {
        app.kill();
        QFAIL("the editor never showed itself");
    }
    QTEST(app.exitCode(), "exitCode");
    QFETCH(QByteArray, output);
    const QByteArray said = app.readAllStandardOutput();
    QVERIFY2(said.startsWith(output), qPrintable(said + app.readAllStandardError()));
    QCOMPARE(filesnapshot::snapshot(), before);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
