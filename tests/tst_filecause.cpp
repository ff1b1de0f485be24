// File error causes in Italian, and real failures reported without the system's English.

#include "archive.h"
#include "catalogue.h"
#include "filecause.h"
#include "testsupport.h"
#include "trackplayer.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

using namespace spartiti;

class TestFileCause : public QObject
{
    Q_OBJECT

private slots:
    void causes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QString>("cause");
        const auto row = [](const char *name, int code, const char *systemText, const QString &cause) {
            QTest::newRow(name) << code << QString(systemText) << cause;
        };
        row("missing", ENOENT, "", "il file o la cartella non esiste");
        row("permission", EACCES, "", "permesso negato");
        row("disk full", ENOSPC, "", "lo spazio sul disco è esaurito");
        // errno overwritten since the failure: Qt's kept wording still tells the cause.
        row("Qt's text, errno lost", 0, "Permission denied", "permesso negato");
        row("other: generic, system text kept", EPROTO, "",
            QStringLiteral("errore del sistema (%1)").arg(QString::fromLocal8Bit(std::strerror(EPROTO))));
    }
    void causes()
    {
        QFETCH(int, code);
        QFETCH(QString, systemText);
        QTEST(fileErrorCause(code, systemText), "cause");
    }
    void messagesInItalian_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("cause");
        QTest::newRow("save, name too long") << "save" << "long name" << "il nome è troppo lungo";
        QTest::newRow("save, read-only folder") << "save" << "read-only" << "permesso negato";
        QTest::newRow("play, not audio") << "play" << "format" << "il formato non è supportato";
    }
    void messagesInItalian()
    {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        QFETCH(QString, cause);
        if (fault == "read-only" && ::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        testsupport::WorkingFolder folder;
        const CatalogueFolder data = folder.catalogue();
        QString message;
        if (action == "play") {
            if (fault == "format")
                testsupport::writeFile(data.track(3), "not audio");
            message = MediaTrackPlayer::errorMessage(data.track(3), fault == "format" ? QMediaPlayer::FormatError
                                                                                      : QMediaPlayer::ResourceError);
        } else {
            const QString destination = fault == "long name" ? data.file(QString(300, 'a')) : data.archive();
            const auto writable = QFile::permissions(data.path());
            if (fault == "read-only")
                QFile::setPermissions(data.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            ScoreCatalogue catalogue;
            const auto error = saveArchive(catalogue, destination);
            QFile::setPermissions(data.path(), writable);
            QVERIFY(error);
            message = error->message;
        }
        QVERIFY2(message.startsWith("Impossibile") || message.startsWith("Il file"), qPrintable(message));
        QVERIFY2(message.contains(cause), qPrintable(message));
        // No English a system or Qt would put in a message: any errno's text, or Qt's own.
        QStringList english{"Unknown error", "Internal data stream error"};
        for (int code = 1; code < 134; ++code)
            english.append(QString::fromLocal8Bit(std::strerror(code)));
        for (const QString &text : english)
            QVERIFY2(!message.contains(text, Qt::CaseInsensitive), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestFileCause)
#include "tst_filecause.moc"
