// Faults injected into copying a page or a track: a write that fails partway, and the
// source, the destination or its folder changed behind the program's back. A failure
// leaves every file as it was; a symbolic link at the destination is replaced itself.

#include "atomicfile.h"
#include "faultinjection.h"
#include "filesnapshot.h"
#include "scorepaths.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace spartiti;
using filesnapshot::snapshot;
using testsupport::readFile;
using testsupport::writeFile;

class TestCopyFaults : public QObject
{
    Q_OBJECT

private slots:
    void copyFailingPartway_data();
    void copyFailingPartway();
    void changedBeforeCopying_data();
    void changedBeforeCopying();
};

void TestCopyFaults::copyFailingPartway_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("limit");
    QTest::newRow("nothing fits") << 1000 << 0;
    QTest::newRow("one buffer in") << 200000 << 65536;
    QTest::newRow("one byte short") << 200000 << 199999;
}

void TestCopyFaults::copyFailingPartway()
{
    QFETCH(int, size);
    QFETCH(int, limit);
    testsupport::WorkingFolder folder;
    QByteArray page(size, Qt::Uninitialized);
    for (char &c : page)
        c = char(QRandomGenerator::global()->bounded(256));
    writeFile(QStringLiteral("scelta.jpg"), page);
    writeFile(paths::leftPage(4), "vecchia pagina");
    const auto disk = snapshot();

    std::optional<Error> error;
    {
        const faultinjection::FileSizeLimit guard{rlim_t(limit)};
        error = copyFileAtomically(QStringLiteral("scelta.jpg"), paths::leftPage(4));
    }
    QVERIFY(error);
    QVERIFY2(error->message.contains(QStringLiteral("spartiti/4L.jpg"))
                 && error->message.contains(QStringLiteral("supera la dimensione massima")),
             qPrintable(error->message));
    QCOMPARE(snapshot(), disk);

    QVERIFY(!copyFileAtomically(QStringLiteral("scelta.jpg"), paths::leftPage(4)));
    QCOMPARE(readFile(paths::leftPage(4)), page);
}

void TestCopyFaults::changedBeforeCopying_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("into");
    QTest::addColumn<bool>("copies");
    const QString destination = paths::track(7);
    QTest::newRow("destination is a folder") << destination << "folder" << false;
    QTest::newRow("destination is a link to a file: the link is replaced")
        << destination << "-> ../../bersaglio.mp3" << true;
    QTest::newRow("destination is a link to a folder: the link is replaced")
        << destination << "-> ../../cartella" << true;
    QTest::newRow("destination is a dangling link") << destination << "-> ../../manca.mp3" << true;
    QTest::newRow("source deleted after it was chosen") << "scelta.mp3" << "" << false;
    QTest::newRow("source replaced by a folder") << "scelta.mp3" << "folder" << false;
    QTest::newRow("destination folder deleted") << paths::audioFolder() << "" << false;
    QTest::newRow("destination folder read-only") << paths::audioFolder() << "read-only" << false;
    QTest::newRow("source unreadable") << "scelta.mp3" << "unreadable" << false;
}

void TestCopyFaults::changedBeforeCopying()
{
    QFETCH(QString, path);
    QFETCH(QString, into);
    QFETCH(bool, copies);
    if (faultinjection::needsPermissions(into))
        QSKIP("root ignores permission bits");

    testsupport::WorkingFolder folder;
    const QString source = QStringLiteral("scelta.mp3");
    const QString destination = paths::track(7);
    writeFile(source, "nuova base");
    writeFile(destination, "vecchia base");
    writeFile(QStringLiteral("bersaglio.mp3"), "non scrivermi attraverso un link");
    QVERIFY(QDir().mkdir(QStringLiteral("cartella")));
    faultinjection::changeBehindTheBack(path, into);
    auto disk = snapshot();

    const auto error = copyFileAtomically(source, destination);
    if (into == QLatin1String("read-only"))
        faultinjection::restorePermissions(path);
    if (copies) {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(readFile(destination), QByteArray("nuova base"));
        // Only the link itself changed: its target is as it was.
        disk.remove(destination);
        auto after = snapshot();
        after.remove(destination);
        QCOMPARE(after, disk);
        return;
    }
    QVERIFY(error);
    QVERIFY2(error->message.contains(QStringLiteral("scelta.mp3"))
                 || error->message.contains(QStringLiteral("spartiti/audio")),
             qPrintable(error->message));
    QCOMPARE(snapshot(), disk);
}

QTEST_GUILESS_MAIN(TestCopyFaults)
#include "tst_copyfaults.moc"
