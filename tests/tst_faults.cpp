// Faults injected into saving, copying and loading: a write that fails partway, a
// saving process killed at random moments, files and folders changed behind the
// program's back, and inputs that no editor of ours would write. Whatever happens, the
// archive on disk is the old one or the new one, memory is unchanged by a failure,
// and every failure comes back as an Italian message.

#include "archive.h"
#include "atomicfile.h"
#include "catalogue.h"
#include "scorepaths.h"
#include "filesnapshot.h"
#include "testsupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

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
    for (int slot = 1; slot <= records; ++slot) {
        catalogue.setValue(Field::Title, slot, QStringLiteral("Modificato %1 è").arg(slot));
        catalogue.setValue(Field::Author, slot, QStringLiteral("Autore, Nome"));
    }
}

// Lowers this process's file size limit for its lifetime, so that a write past `bytes`
// fails with EFBIG (SIGXFSZ is ignored meanwhile), as on a full disk or quota.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = std::min(bytes, m_saved.rlim_max);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

bool isRoot() { return ::geteuid() == 0; }

// Changes `path` behind the program's back into `into`: "" removes it, "folder" (with a
// file inside), "file", "-> target" (a symbolic link), "read-only" or "unreadable".
void changeBehindTheBack(const QString &path, const QString &into)
{
    if (into == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        return;
    }
    if (into == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        return;
    }
    QVERIFY(QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path));
    if (into == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
        writeFile(path + QStringLiteral("/dentro.txt"), "non toccare");
    } else if (into == QLatin1String("file")) {
        writeFile(path, "un file, non una cartella");
    } else if (into.startsWith(QLatin1String("-> "))) {
        QVERIFY(QFile::link(into.mid(3), path));
    }
}

bool permissionRowAsRoot(const QString &into)
{
    return (into == QLatin1String("read-only") || into == QLatin1String("unreadable")) && isRoot();
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void saveFailingPartway_data();
    void saveFailingPartway();
    void copyFailingPartway_data();
    void copyFailingPartway();
    void killedWhileSaving();
    void changedBeforeSaving_data();
    void changedBeforeSaving();
    void changedBeforeCopying_data();
    void changedBeforeCopying();
    void badArchives_data();
    void badArchives();
};

void TestFaults::saveFailingPartway_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("limit");
    QTest::newRow("no byte fits") << 40 << 0;
    QTest::newRow("first byte only") << 40 << 1;
    QTest::newRow("inside the first line") << 40 << 10;
    QTest::newRow("inside a record") << 40 << 1000;
    QTest::newRow("one byte short, small file") << 40 << -1;
    QTest::newRow("one page in, large file") << 3000 << 4096;
    QTest::newRow("one byte short, large file") << 3000 << -1;
}

void TestFaults::saveFailingPartway()
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
    QVERIFY(limit < full.size());
    const auto disk = snapshot();
    const QStringList before = memory(catalogue, records + 1);

    std::optional<Error> error;
    {
        const FileSizeLimit guard{rlim_t(limit)};
        error = saveArchive(catalogue, paths::archive());
    }
    QCOMPARE(readFile(paths::archive()), old);
    QCOMPARE(snapshot(), disk);   // no temporary file left behind either
    QCOMPARE(memory(catalogue, records + 1), before);
    QVERIFY(error);
    QCOMPARE(error->kind, Error::Kind::Io);
    QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile salvare \"spartiti/archivio.js\"")),
             qPrintable(error->message));
    QVERIFY2(error->message.contains(QStringLiteral("supera la dimensione massima")),
             qPrintable(error->message));

    // Once there is room again the same catalogue saves whole.
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(readFile(paths::archive()), full);
}

void TestFaults::copyFailingPartway_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("limit");
    QTest::newRow("nothing fits") << 1000 << 0;
    QTest::newRow("half") << 200000 << 100000;
    QTest::newRow("one buffer in") << 200000 << 65536;
    QTest::newRow("one byte short") << 200000 << 199999;
}

void TestFaults::copyFailingPartway()
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
        const FileSizeLimit guard{rlim_t(limit)};
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

// A helper process saves A and B in turn until it is killed; after every kill the
// archive must be A or B to the byte. SPARTITI_KILLS sets the number of kills.
void TestFaults::killedWhileSaving()
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
    int foundA = 0;
    int foundB = 0;
    int leftovers = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < kills; ++i) {
        QProcess saver;
        saver.start(QStringLiteral(SPARTITI_SAVELOOP), arguments);
        QVERIFY2(saver.waitForReadyRead(10000), qPrintable(saver.readAllStandardError()));
        QThread::usleep(QRandomGenerator::global()->bounded(std::max<qint64>(span, 1000)));
        QCOMPARE(saver.state(), QProcess::Running);
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished(10000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

        const QByteArray found = readFile(paths::archive());
        QVERIFY2(found == a || found == b,
                 qPrintable(QStringLiteral("kill %1: the archive is neither A nor B (%2 bytes)")
                                .arg(i + 1)
                                .arg(found.size())));
        ++(found == a ? foundA : foundB);
        ScoreCatalogue loaded;
        QVERIFY(!readArchive(loaded, paths::archive()));
        QCOMPARE(int(loaded.scoreCount()), found == a ? 30 : 2000);

        // A temporary file of a killed save may stay; it never takes the archive's name.
        const QStringList names = QDir(paths::dataFolder()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : names) {
            if (name != QLatin1String("archivio.js")) {
                ++leftovers;
                QFile::remove(paths::dataFolder() + QLatin1Char('/') + name);
            }
        }
    }
    qInfo("%d kills in %lld ms (A, B, A, B saved in %lld us): archive A %d times, B %d times, "
          "%d temporary files left",
          kills, elapsed.elapsed(), span, foundA, foundB, leftovers);
    if (kills >= 50) {
        // Otherwise the helper never got to save and the kills proved nothing.
        QVERIFY(foundA > 0);
        QVERIFY(foundB > 0);
    }
}

void TestFaults::changedBeforeSaving_data()
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

void TestFaults::changedBeforeSaving()
{
    QFETCH(QString, path);
    QFETCH(QString, into);
    QFETCH(bool, saves);
    QFETCH(QString, reason);
    if (path == QLatin1String("spartiti") && permissionRowAsRoot(into))
        QSKIP("root writes into read-only folders; the missing and replaced folder rows cover it");

    testsupport::WorkingFolder folder;
    const QByteArray old = archiveBytes(testsupport::numberedRecords(5));
    ScoreCatalogue catalogue;
    loadAndEdit(catalogue, old, 6);
    QVERIFY(QDir().mkdir(QStringLiteral("cartella")));
    changeBehindTheBack(path, into);
    const auto disk = snapshot();
    const QStringList before = memory(catalogue, 7);
    QByteArray expected;
    QVERIFY(!encodeArchive(catalogue, expected));

    const auto error = saveArchive(catalogue, paths::archive());
    if (into == QLatin1String("read-only"))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (saves) {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QCOMPARE(readFile(paths::archive()), expected);
        return;
    }
    QVERIFY(error);
    QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile salvare \"spartiti/archivio.js\"")),
             qPrintable(error->message));
    QVERIFY2(error->message.contains(reason), qPrintable(error->message));
    QCOMPARE(snapshot(), disk);
    QCOMPARE(memory(catalogue, 7), before);
}

void TestFaults::changedBeforeCopying_data()
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

void TestFaults::changedBeforeCopying()
{
    QFETCH(QString, path);
    QFETCH(QString, into);
    QFETCH(bool, copies);
    if (permissionRowAsRoot(into))
        QSKIP("root ignores permission bits");

    testsupport::WorkingFolder folder;
    const QString source = QStringLiteral("scelta.mp3");
    const QString destination = paths::track(7);
    writeFile(source, "nuova base");
    writeFile(destination, "vecchia base");
    writeFile(QStringLiteral("bersaglio.mp3"), "non scrivermi attraverso un link");
    QVERIFY(QDir().mkdir(QStringLiteral("cartella")));
    changeBehindTheBack(path, into);
    auto disk = snapshot();

    const auto error = copyFileAtomically(source, destination);
    if (into == QLatin1String("read-only"))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (copies) {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        const QFileInfo info(destination);
        QVERIFY(info.isFile() && !info.isSymLink());
        QCOMPARE(readFile(destination), QByteArray("nuova base"));
        // Only the link itself changed: its target is as it was.
        disk.remove(destination);
        auto after = snapshot();
        after.remove(destination);
        QCOMPARE(after, disk);
        return;
    }
    QVERIFY(error);
    QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile")), qPrintable(error->message));
    QVERIFY2(error->message.contains(QStringLiteral("scelta.mp3"))
                 || error->message.contains(QStringLiteral("spartiti/audio")),
             qPrintable(error->message));
    QCOMPARE(snapshot(), disk);
}

void TestFaults::badArchives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");        // -1: refused with a message
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("saved");   // what saving writes back, when not `bytes`
    const QByteArray same;
    static const char junk[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR,,,,,,,,";

    QTest::newRow("3 277 records, over 32 767 items")
        << archiveBytes(testsupport::numberedRecords(3277)) << -1 << "più di 32767 voci" << same;
    QTest::newRow("200 000 empty items") << QByteArray(200000, ',') << -1 << "più di 32767 voci" << same;
    QTest::newRow("binary junk that ends too early")
        << QByteArray(junk, sizeof junk - 1) << -1 << "finisce prima" << same;
    QTest::newRow("NUL byte inside a title")
        << archiveBytes({{QByteArray("Tito\0lo", 7), "", "", "0"}}) << 1 << "" << same;
    QTest::newRow("UTF-8 letters, Windows-1252-undefined bytes")
        << archiveBytes({{"Perch\xc3\xa8 \xc5\x81\xc3\x8d \xe2\x82\xac", "\xf0\x9f\x8e\xb5", "", "1"}})
        << 1 << "" << same;
    QTest::newRow("UTF-8 byte order mark: not written back")
        << "\xef\xbb\xbf" + archiveBytes(testsupport::numberedRecords(2)) << 2 << ""
        << archiveBytes(testsupport::numberedRecords(2));
    QTest::newRow("line feeds only: written back with CR LF")
        << QByteArray(archiveBytes(testsupport::numberedRecords(4))).replace("\r\n", "\n") << 4 << ""
        << archiveBytes(testsupport::numberedRecords(4));
    QTest::newRow("10 MB on one line: one item, no records")
        << QByteArray(10 << 20, 'x') << 0 << "" << same;
}

// Loading never writes: the folder stays as it was. A refused file leaves memory alone;
// an accepted one saves back to the very same bytes.
void TestFaults::badArchives()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(QString, reason);
    QFETCH(QByteArray, saved);
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), bytes);
    const auto disk = snapshot();
    ScoreCatalogue catalogue;
    catalogue.setScoreCount(2);
    catalogue.setValue(Field::Title, 1, QStringLiteral("in memoria"));
    const QStringList before = memory(catalogue, 3);

    const auto error = readArchive(catalogue, paths::archive());
    QCOMPARE(snapshot(), disk);
    if (records < 0) {
        QVERIFY(error);
        QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile leggere \"spartiti/archivio.js\"")),
                 qPrintable(error->message));
        QVERIFY2(error->message.contains(reason), qPrintable(error->message));
        QCOMPARE(memory(catalogue, 3), before);
        return;
    }
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    QCOMPARE(int(catalogue.scoreCount()), records);
    if (records > 0) {
        QVERIFY(!saveArchive(catalogue, paths::archive()));
        QCOMPARE(readFile(paths::archive()), saved.isEmpty() ? bytes : saved);
    }
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
