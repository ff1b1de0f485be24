// Faults injected into saving the archive and copying a page or a track: a write that fails
// partway, files changed behind the program's back, the sync before the rename. The file on
// disk is always the old one or the new one; memory survives a failure.

#include "archive.h"
#include "atomicfile.h"
#include "catalogue.h"
#include "cataloguefolder.h"
#include "filesnapshot.h"
#include "testsupport.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// Lowers the file size limit while it lives, so that a write past `bytes` fails with
// EFBIG as on a full disk (SIGXFSZ ignored meanwhile).
struct FileSizeLimit
{
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{std::min(bytes, saved.rlim_max), saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};

// Changes `path` into `into`: "" removes it, "folder" (with a file inside), "file", "-> target"
// (a symbolic link), "read-only" or "unreadable". Root ignores the permission bits.
void changeBehindTheBack(const QString &path, const QString &into)
{
    if (into == QLatin1String("read-only") || into == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(path, into == QLatin1String("unreadable")
                                                ? QFileDevice::WriteOwner
                                                : QFileDevice::ReadOwner | QFileDevice::ExeOwner));
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

// The count and slots 0 to upTo of every field: what a failure must leave alone.
QStringList memory(const ScoreCatalogue &catalogue, int upTo)
{
    QStringList values{QString::number(catalogue.scoreCount())};
    for (int slot = 0; slot <= upTo; ++slot)
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
            values.append(catalogue.value(Field(f), slot));
    return values;
}

// What the replaceable sync saw: its calls, the bytes it synced, the destination's bytes then.
struct SyncSeen
{
    int calls = 0;
    QByteArray synced, destinationThen;
    QString destination;
} seen;

// Records the sync of a file; a folder's, which makes the rename durable, is let through.
int recordingSync(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        return ::fsync(fd);
    ++seen.calls;
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    seen.synced = bytes.left(std::max<ssize_t>(::pread(fd, bytes.data(), bytes.size(), 0), 0));
    seen.destinationThen = readFile(seen.destination);
    return ::fsync(fd);
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    void writeFaults_data()
    {
        QTest::addColumn<int>("copySize");      // copy scelta.mp3 this big to track 7; 0: save the archive
        // Paths are relative to the temporary folder; in a message, "<tmp>" stands for it.
        QTest::addColumn<QString>("path");      // changed behind the program's back...
        QTest::addColumn<QString>("into");      // ...into this, or the disk full: "no room", "one byte short"
        QTest::addColumn<QString>("failure");   // part of the message; empty: the write succeeds
        const QString archive = QStringLiteral("spartiti/archivio.js"), track = QStringLiteral("spartiti/audio/7.mp3"),
                      source = QStringLiteral("scelta.mp3");
        // Saving is one unbuffered write; a copy fails in its flush if it fits its buffer, else its write.
        const QString tooBig = QStringLiteral("supera la dimensione massima");
        QTest::newRow("save, one byte short") << 0 << archive << "one byte short" << tooBig;
        QTest::newRow("small copy, no room") << 1000 << track << "no room" << tooBig;
        QTest::newRow("large copy, one byte short") << 200000 << track << "one byte short" << tooBig;
        QTest::newRow("archive deleted: written anew") << 0 << archive << "" << "";
        QTest::newRow("archive replaced by a folder")
            << 0 << archive << "folder" << "salvare \"<tmp>/spartiti/archivio.js\": al suo posto c'è una cartella";
        QTest::newRow("archive made read-only")
            << 0 << archive << "read-only" << "salvare \"<tmp>/spartiti/archivio.js\": il file è di sola lettura";
        QTest::newRow("archive a link to a folder") << 0 << archive << "-> ../cartella" << "salvare \"<tmp>/spartiti/archivio.js\"";
        QTest::newRow("spartiti deleted") << 0 << "spartiti" << "" << "la cartella \"<tmp>/spartiti\" non esiste";
        QTest::newRow("spartiti replaced by a file") << 0 << "spartiti" << "file" << "la cartella \"<tmp>/spartiti\" non esiste";
        QTest::newRow("spartiti made read-only") << 0 << "spartiti" << "read-only" << "salvare \"<tmp>/spartiti/archivio.js\"";
        QTest::newRow("track is a folder") << 10 << track << "folder" << "\"<tmp>/spartiti/audio/7.mp3\": al suo posto c'è una cartella";
        QTest::newRow("track a link to a file: the link is replaced") << 10 << track << "-> ../../bersaglio.mp3" << "";
        QTest::newRow("track a link to a folder: the link is replaced") << 10 << track << "-> ../../cartella" << "";
        QTest::newRow("track a dangling link: the link is replaced") << 10 << track << "-> ../../manca.mp3" << "";
        QTest::newRow("source deleted after it was chosen") << 10 << source << "" << "\"<tmp>/scelta.mp3\": il file non esiste";
        QTest::newRow("source replaced by a folder") << 10 << source << "folder" << "\"<tmp>/scelta.mp3\": non è un file";
        QTest::newRow("source unreadable") << 10 << source << "unreadable" << "leggere \"<tmp>/scelta.mp3\"";
        QTest::newRow("audio folder deleted") << 10 << "spartiti/audio" << "" << "la cartella \"<tmp>/spartiti/audio\" non esiste";
        QTest::newRow("audio folder read-only") << 10 << "spartiti/audio" << "read-only" << "\"<tmp>/spartiti/audio/7.mp3\"";
    }
    // Whatever fails, disk and memory are as they were; a success changes the destination alone.
    void writeFaults()
    {
        QFETCH(int, copySize);
        QFETCH(QString, path);
        QFETCH(QString, into);
        QFETCH(QString, failure);
        if (path != QLatin1String("spartiti/archivio.js")
            && (into == QLatin1String("read-only") || into == QLatin1String("unreadable")) && ::geteuid() == 0)
            QSKIP("root ignores permission bits (the archive's own are checked by the program)");

        testsupport::WorkingFolder folder;
        const CatalogueFolder data = folder.catalogue();
        path = folder.file(path);
        failure = folder.expand(failure);
        const QString source = folder.file(QStringLiteral("scelta.mp3"));
        const auto snapshot = [&] { return filesnapshot::snapshot(folder.path()); };
        // Three scores loaded, then edited to 40 as a user would before saving.
        ScoreCatalogue catalogue;
        writeFile(data.archive(), archiveBytes(testsupport::numberedRecords(3)));
        QVERIFY(!readArchive(catalogue, data.archive()));
        catalogue.setScoreCount(40);
        for (int slot = 1; slot <= 40; ++slot)
            catalogue.setValue(Field::Title, slot, QStringLiteral("Modificato %1 è").arg(slot));
        QByteArray expected(copySize, '\xd8');
        if (copySize == 0)
            QVERIFY(!encodeArchive(catalogue, expected));
        writeFile(source, expected);
        writeFile(data.track(7), "vecchia base");
        writeFile(folder.file(QStringLiteral("bersaglio.mp3")), "non scrivermi attraverso un link");
        QVERIFY(QDir().mkdir(folder.file(QStringLiteral("cartella"))));
        const QString destination = copySize ? data.track(7) : data.archive();
        const auto write = [&] {
            seen = SyncSeen{0, {}, {}, destination};
            syncFile = recordingSync;
            auto error = copySize ? copyFileAtomically(source, destination) : saveArchive(catalogue, destination);
            syncFile = ::fsync;
            return error;
        };
        const bool diskFull = into == QLatin1String("no room") || into == QLatin1String("one byte short");
        if (!diskFull)
            changeBehindTheBack(path, into);
        auto disk = snapshot();
        const QStringList before = memory(catalogue, 41);
        const QByteArray old = readFile(destination);

        std::optional<Error> error;
        {
            std::optional<FileSizeLimit> full;
            if (diskFull)
                full.emplace(rlim_t(into == QLatin1String("no room") ? 0 : expected.size() - 1));
            error = write();
        }
        if (into == QLatin1String("read-only"))
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(failure.isEmpty() ? !error
                                   : error && error->message.startsWith(QStringLiteral("Impossibile "))
                                         && error->message.contains(failure)
                                         && (!diskFull || error->message.contains(QStringLiteral("\"%1\"").arg(destination))),
                 error ? qPrintable(error->message) : "no error");
        // Only the destination changes, only on success: a link there is replaced, not its target;
        // no temporary file is left.
        if (failure.isEmpty())
            disk.insert(QDir(folder.path()).relativeFilePath(destination), expected);
        else
            QCOMPARE(memory(catalogue, 41), before);
        QCOMPARE(snapshot(), disk);

        // Once there is room again the same file is written whole.
        if (diskFull)
            QVERIFY(!(error = write()));
        // The new file is synced whole while the destination still holds the old bytes: before the rename.
        if (!error) {
            QCOMPARE(readFile(destination), expected);
            QCOMPARE(seen.calls, 1);
            QCOMPARE(seen.synced, expected);
            QCOMPARE(seen.destinationThen, old);
        }
    }
};

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
