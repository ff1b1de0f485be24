// Faults injected into saving the archive: a write that fails partway, a saving process
// killed at random moments, files and folders changed behind the program's back, and
// the sync that must reach the disk before the rename. Whatever happens, the archive on
// disk is the old one or the new one and memory is unchanged by a failure.

#include "archive.h"
#include "atomicfile.h"
#include "catalogue.h"
#include "faultinjection.h"
#include "filesnapshot.h"
#include "scorepaths.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

using namespace spartiti;
using filesnapshot::snapshot;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// The count and slots 0 to upTo of every field: what a failure must leave alone.
QStringList memory(const ScoreCatalogue &catalogue, int upTo)
{
    QStringList values{QString::number(catalogue.scoreCount())};
    for (int slot = 0; slot <= upTo; ++slot)
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
            values.append(catalogue.value(Field(f), slot));
    return values;
}

// A catalogue loaded from `old`, then edited as a user would before saving.
void loadAndEdit(ScoreCatalogue &catalogue, const QByteArray &old, int records)
{
    writeFile(paths::archive(), old);
    QVERIFY(!readArchive(catalogue, paths::archive()));
    catalogue.setScoreCount(records);
    for (int slot = 1; slot <= records; ++slot)
        catalogue.setValue(Field::Title, slot, QStringLiteral("Modificato %1 è").arg(slot));
}

// What the replaceable sync saw: the bytes of the file it synced and the destination
// as it was at that moment.
struct SyncSeen
{
    int calls = 0;
    QByteArray synced;
    QByteArray destinationThen;
    QString destination;
};
SyncSeen seen;

int recordingSync(int fd)
{
    ++seen.calls;
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), 0);
    seen.synced = bytes.left(got < 0 ? 0 : got);
    seen.destinationThen = readFile(seen.destination);
    return ::fsync(fd);
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    void saveFailingPartway_data();
    void saveFailingPartway();
    void changedBeforeSaving_data();
    void changedBeforeSaving();
    void syncComesBeforeRename_data();
    void syncComesBeforeRename();
    void killedWhileSaving();
};

// Saving is one unbuffered write: failing on the first byte, inside the file or on its
// last byte are the cases that can differ.
void TestSaveFaults::saveFailingPartway_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("limit");   // -1: one byte short of the whole file
    QTest::newRow("no byte fits") << 40 << 0;
    QTest::newRow("inside a record") << 40 << 1000;
    QTest::newRow("one byte short, large file") << 3000 << -1;
}

void TestSaveFaults::saveFailingPartway()
{
    QFETCH(int, records);
    QFETCH(int, limit);
    testsupport::WorkingFolder folder;
    const QByteArray old = archiveBytes(testsupport::numberedRecords(3));
    ScoreCatalogue catalogue;
    loadAndEdit(catalogue, old, records);
    QByteArray full;
    QVERIFY(!encodeArchive(catalogue, full));
    if (limit < 0)
        limit = int(full.size()) - 1;
    const auto disk = snapshot();
    const QStringList before = memory(catalogue, records + 1);

    std::optional<Error> error;
    {
        const faultinjection::FileSizeLimit guard{rlim_t(limit)};
        error = saveArchive(catalogue, paths::archive());
    }
    QCOMPARE(snapshot(), disk);   // the old archive, and no temporary file left behind
    QCOMPARE(memory(catalogue, records + 1), before);
    QVERIFY(error);
    QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile salvare \"spartiti/archivio.js\""))
                 && error->message.contains(QStringLiteral("supera la dimensione massima")),
             qPrintable(error->message));

    // Once there is room again the same catalogue saves whole.
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(readFile(paths::archive()), full);
}

void TestSaveFaults::changedBeforeSaving_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("into");
    QTest::addColumn<bool>("saves");
    QTest::addColumn<QString>("reason");
    const QString archive = paths::archive();
    QTest::newRow("archive deleted: written anew") << archive << "" << true << "";
    QTest::newRow("archive replaced by a folder") << archive << "folder" << false << "c'è una cartella";
    QTest::newRow("archive made read-only") << archive << "read-only" << false << "sola lettura";
    QTest::newRow("archive a link to a folder") << archive << "-> ../cartella" << false << "";
    QTest::newRow("spartiti deleted") << "spartiti" << "" << false << "non esiste";
    QTest::newRow("spartiti replaced by a file") << "spartiti" << "file" << false << "non esiste";
    QTest::newRow("spartiti made read-only") << "spartiti" << "read-only" << false << "";
}

void TestSaveFaults::changedBeforeSaving()
{
    QFETCH(QString, path);
    QFETCH(QString, into);
    QFETCH(bool, saves);
    QFETCH(QString, reason);
    if (path == QLatin1String("spartiti") && faultinjection::needsPermissions(into))
        QSKIP("root writes into read-only folders; the missing and replaced folder rows cover it");

    testsupport::WorkingFolder folder;
    ScoreCatalogue catalogue;
    loadAndEdit(catalogue, archiveBytes(testsupport::numberedRecords(5)), 6);
    QVERIFY(QDir().mkdir(QStringLiteral("cartella")));
    faultinjection::changeBehindTheBack(path, into);
    const auto disk = snapshot();
    const QStringList before = memory(catalogue, 7);
    QByteArray expected;
    QVERIFY(!encodeArchive(catalogue, expected));

    const auto error = saveArchive(catalogue, paths::archive());
    if (into == QLatin1String("read-only"))
        faultinjection::restorePermissions(path);
    if (saves) {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QCOMPARE(readFile(paths::archive()), expected);
        return;
    }
    QVERIFY(error);
    QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile salvare \"spartiti/archivio.js\""))
                 && error->message.contains(reason),
             qPrintable(error->message));
    QCOMPARE(snapshot(), disk);
    QCOMPARE(memory(catalogue, 7), before);
}

void TestSaveFaults::syncComesBeforeRename_data()
{
    QTest::addColumn<bool>("archive");   // saving the archive, or copying a page
    QTest::newRow("archive") << true;
    QTest::newRow("page copy") << false;
}

// Only a power cut shows a missing sync: the written file must be synced whole while
// the destination still holds the old bytes, that is before the rename.
void TestSaveFaults::syncComesBeforeRename()
{
    QFETCH(bool, archive);
    testsupport::WorkingFolder folder;
    const QByteArray old("vecchio");
    const QByteArray fresh = archiveBytes(testsupport::numberedRecords(20));
    seen = SyncSeen{};
    seen.destination = archive ? paths::archive() : paths::leftPage(3);
    writeFile(seen.destination, old);
    writeFile(QStringLiteral("scelta.jpg"), fresh);

    syncFile = recordingSync;
    const auto error = archive ? replaceFileAtomically(seen.destination, fresh)
                               : copyFileAtomically(QStringLiteral("scelta.jpg"), seen.destination);
    syncFile = ::fsync;
    QVERIFY(!error);
    QCOMPARE(seen.calls, 1);
    QCOMPARE(seen.synced, fresh);
    QCOMPARE(seen.destinationThen, old);
    QCOMPARE(readFile(seen.destination), fresh);
}

// A helper process saves A and B in turn until it is killed; after every kill the
// archive must be A or B to the byte. SPARTITI_KILLS sets the number of kills.
void TestSaveFaults::killedWhileSaving()
{
    testsupport::WorkingFolder folder;
    const QByteArray a = archiveBytes(testsupport::numberedRecords(30));
    auto bigRecords = testsupport::numberedRecords(2000);
    bigRecords[1000][0] = "Caff\xe8 \x80 nel mezzo";
    const QByteArray b = archiveBytes(bigRecords);
    writeFile(QStringLiteral("A.js"), a);
    writeFile(QStringLiteral("B.js"), b);
    writeFile(paths::archive(), a);
    const QStringList arguments{QStringLiteral("A.js"), QStringLiteral("B.js"), paths::archive()};

    // How long the helper takes for A, B, A, B: kills are spread over that span, so that
    // they fall before, during and between writes of both.
    qint64 span = 0;
    {
        QProcess saver;
        saver.start(QStringLiteral(SPARTITI_SAVELOOP), arguments);
        QVERIFY(saver.waitForReadyRead(10000));
        QVERIFY(saver.readLine().startsWith("pronto"));
        QElapsedTimer timer;
        timer.start();
        int saves = 0;
        while (saves < 4 && saver.waitForReadyRead(10000))
            saves += int(saver.readAll().count('\n'));
        span = timer.nsecsElapsed() / 1000;
        saver.kill();
        saver.waitForFinished();
        QVERIFY2(saves >= 4, qPrintable(saver.readAllStandardError()));
    }

    bool ok = false;
    int kills = qEnvironmentVariableIntValue("SPARTITI_KILLS", &ok);
    if (!ok || kills <= 0)
        kills = 200;
    int found[2] = {0, 0};
    for (int i = 0; i < kills; ++i) {
        QProcess saver;
        saver.start(QStringLiteral(SPARTITI_SAVELOOP), arguments);
        QVERIFY2(saver.waitForReadyRead(10000), qPrintable(saver.readAllStandardError()));
        QThread::usleep(QRandomGenerator::global()->bounded(std::max<qint64>(span, 1000)));
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished(10000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

        const QByteArray bytes = readFile(paths::archive());
        QVERIFY2(bytes == a || bytes == b,
                 qPrintable(QStringLiteral("kill %1: the archive is neither A nor B (%2 bytes)")
                                .arg(i + 1)
                                .arg(bytes.size())));
        ++found[bytes == b];
        // A temporary file of a killed save may stay; it never takes the archive's name.
        for (const QString &name : QDir(paths::dataFolder()).entryList(QDir::Files | QDir::Hidden))
            if (name != QLatin1String("archivio.js"))
                QFile::remove(paths::dataFolder() + QLatin1Char('/') + name);
    }
    qInfo("%d kills: archive A %d times, B %d times", kills, found[0], found[1]);
    if (kills >= 50)   // otherwise the helper may never have saved and proved nothing
        QVERIFY(found[0] > 0 && found[1] > 0);
}

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
