// The program itself, started as a user starts it, in a copy of the demo catalogue: it
// takes the lock, reads the archive, shows the editor and reads nothing it should write.

#include "filesnapshot.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheDemo();
};

void TestStartup::startsOnTheDemo()
{
    testsupport::WorkingFolder folder(false);
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SPARTITI_DEMO_DIR), QStringLiteral(".")});
    QVERIFY(copy.waitForFinished() && copy.exitCode() == 0);
    const auto before = filesnapshot::snapshot();

    // The probe ends the program once the editor has painted itself.
    qputenv("SPARTITI_STARTUP_PROBE", "1");
    QProcess app;
    app.start(QStringLiteral(SPARTITI_APP), {});
    if (!app.waitForFinished(60000)) {
        app.kill();
        QFAIL("the editor never showed itself");
    }
    QCOMPARE(app.exitCode(), 0);
    QVERIFY2(app.readAllStandardOutput().startsWith("startup_ms"), qPrintable(app.readAllStandardError()));
    QCOMPARE(filesnapshot::snapshot(), before);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
