// The causes of file errors in Italian, and real failures of saving, copying and playing
// reported to the user without the system's English.

#include "archive.h"
#include "atomicfile.h"
#include "catalogue.h"
#include "filecause.h"
#include "cataloguefolder.h"
#include "testsupport.h"
#include "trackplayer.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <unistd.h>

using namespace spartiti;
using testsupport::writeFile;

namespace {

// English a system or Qt would put in a message: every errno's text, and Qt's own.
QString englishIn(const QString &message)
{
    QStringList english{QStringLiteral("Unknown error"), QStringLiteral("Internal data stream error")};
    for (int code = 1; code < 134; ++code)
        english.append(QString::fromLocal8Bit(std::strerror(code)));
    for (const QString &text : english)
        if (message.contains(text, Qt::CaseInsensitive))
            return text;
    return QString();
}

} // namespace

class TestFileCause : public QObject
{
    Q_OBJECT

private slots:
    void causes_data();
    void causes();
    void messagesInItalian_data();
    void messagesInItalian();
};

void TestFileCause::causes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("systemText");
    QTest::addColumn<QString>("cause");
    const QString none;
    QTest::newRow("missing") << ENOENT << none << "il file o la cartella non esiste";
    QTest::newRow("permission") << EACCES << none << "permesso negato";
    QTest::newRow("read-only file system") << EROFS << none << "il disco è in sola lettura";
    QTest::newRow("disk full") << ENOSPC << none << "lo spazio sul disco è esaurito";
    QTest::newRow("quota") << EDQUOT << none << "la quota di spazio sul disco assegnata all'utente è esaurita";
    QTest::newRow("a folder") << EISDIR << none << "al suo posto c'è una cartella";
    QTest::newRow("too many open files") << EMFILE << none << "troppi file aperti";
    QTest::newRow("i/o") << EIO << none << "errore di lettura o scrittura del disco";
    QTest::newRow("name too long") << ENAMETOOLONG << none << "il nome è troppo lungo";
    // errno overwritten since the failure: Qt's kept wording still tells the cause.
    QTest::newRow("Qt's text, errno lost") << 0 << "Permission denied" << "permesso negato";
    QTest::newRow("Qt's text wins over a later errno") << ENOENT << "No space left on device"
                                                       << "lo spazio sul disco è esaurito";
    QTest::newRow("other: generic, system text kept")
        << EPROTO << none
        << QStringLiteral("errore del sistema (%1)").arg(QString::fromLocal8Bit(std::strerror(EPROTO)));
    QTest::newRow("nothing known") << 0 << none << "errore sconosciuto del sistema";
}

void TestFileCause::causes()
{
    QFETCH(int, code);
    QFETCH(QString, systemText);
    QTEST(fileErrorCause(code, systemText), "cause");
}

void TestFileCause::messagesInItalian_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::newRow("save, name too long") << "save" << "long name" << "il nome è troppo lungo";
    QTest::newRow("copy, name too long") << "copy" << "long name" << "il nome è troppo lungo";
    QTest::newRow("save, read-only folder") << "save" << "read-only" << "permesso negato";
    QTest::newRow("play, file gone") << "play" << "missing" << "il file o la cartella non esiste";
    QTest::newRow("play, not audio") << "play" << "format" << "il formato non è supportato";
}

void TestFileCause::messagesInItalian()
{
    QFETCH(QString, action);
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    if (fault == QLatin1String("read-only") && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    testsupport::WorkingFolder folder;
    const CatalogueFolder data = folder.catalogue();
    ScoreCatalogue catalogue;
    const QString chosen = folder.file(QStringLiteral("scelta.jpg"));
    writeFile(chosen, "pagina");
    const QString destination = fault == QLatin1String("long name")
        ? data.file(QString(300, QLatin1Char('a')))
        : (action == QLatin1String("save") ? data.archive() : data.leftPage(3));

    QString message;
    if (action == QLatin1String("play")) {
        const bool format = fault == QLatin1String("format");
        if (format)
            writeFile(data.track(3), "not audio");
        message = MediaTrackPlayer::errorMessage(data.track(3),
                                                 format ? QMediaPlayer::FormatError : QMediaPlayer::ResourceError);
    } else {
        const auto writable = QFile::permissions(data.path());
        if (fault == QLatin1String("read-only"))
            QFile::setPermissions(data.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const std::optional<Error> error = action == QLatin1String("save")
            ? saveArchive(catalogue, destination)
            : copyFileAtomically(chosen, destination);
        QFile::setPermissions(data.path(), writable);
        QVERIFY(error);
        message = error->message;
    }
    QVERIFY2(message.startsWith(QStringLiteral("Impossibile")) || message.startsWith(QStringLiteral("Il file")),
             qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
    QVERIFY2(englishIn(message).isEmpty(), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestFileCause)
#include "tst_filecause.moc"
