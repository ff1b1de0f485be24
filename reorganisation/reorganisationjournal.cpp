#include "reorganisationjournal.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace spartiti::journal {

namespace {

const QByteArray Header("spartiti-riordino 1");
const QByteArray Check("\ncontrollo ");
const QByteArray Mark("seconda-fase\n");

QByteArray pathText(const QString &path)
{
    return QUrl::toPercentEncoding(path, "/");
}

QString pathFrom(QByteArrayView text)
{
    return QUrl::fromPercentEncoding(text.toByteArray());
}

// Journal paths stay inside the data folder: relative, without "." or ".." steps.
bool staysInside(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return false;
    for (const QString &part : path.split(QLatin1Char('/')))
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

QByteArray digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

QString path(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/riordino-in-corso.txt");
}

QByteArray secondPhaseMark()
{
    return Mark;
}

QByteArray encode(const ReorganisationSteps &steps)
{
    QByteArray out = Header + '\n';
    out += "id " + pathText(steps.id) + '\n';
    out += "descrizione " + steps.description.toUtf8().toBase64() + '\n';
    out += "cartella " + pathText(steps.createdFolder) + '\n';
    out += "nota " + pathText(steps.notePath) + ' ' + steps.note.toBase64() + '\n';
    for (const FileMove &move : steps.moves)
        out += "mossa " + pathText(move.from) + ' ' + pathText(move.temporary) + ' ' + pathText(move.to) + '\n';
    for (const QString &removed : steps.removedAfter)
        out += "rimuovi " + pathText(removed) + '\n';
    out += "archivio " + steps.newArchive.toBase64() + '\n';
    out += Check.mid(1) + digest(out) + '\n';
    return out;
}

bool decode(QByteArrayView bytes, Contents &contents, QString &reason)
{
    const qsizetype check = QByteArrayView(bytes).indexOf(Check);
    const qsizetype checkEnd = check < 0 ? -1 : bytes.indexOf('\n', check + 1);
    if (check < 0 || checkEnd < 0) {
        reason = QStringLiteral("il file è incompleto");
        return false;
    }
    const QByteArrayView body = bytes.first(check + 1);
    if (bytes.sliced(check + Check.size(), checkEnd - check - Check.size()) != digest(body)) {
        reason = QStringLiteral("il controllo del contenuto non corrisponde");
        return false;
    }
    const QByteArrayView tail = bytes.sliced(checkEnd + 1);
    // The mark is appended after the checksum; a crash can leave only its start.
    if (!QByteArrayView(Mark).startsWith(tail)) {
        reason = QStringLiteral("dopo il controllo c'è un testo sconosciuto");
        return false;
    }

    Contents read;
    read.secondPhase = tail == QByteArrayView(Mark);
    const QList<QByteArray> lines = body.toByteArray().split('\n');
    if (lines.isEmpty() || lines.first() != Header) {
        reason = QStringLiteral("non è il diario di un riordino");
        return false;
    }
    bool sawArchive = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> words = lines[i].split(' ');
        const QByteArray &key = words.first();
        if (key == "id" && words.size() == 2) {
            read.steps.id = pathFrom(words[1]);
        } else if (key == "descrizione" && words.size() == 2) {
            read.steps.description = QString::fromUtf8(QByteArray::fromBase64(words[1]));
        } else if (key == "cartella" && words.size() == 2) {
            read.steps.createdFolder = pathFrom(words[1]);
        } else if (key == "nota" && words.size() == 3) {
            read.steps.notePath = pathFrom(words[1]);
            read.steps.note = QByteArray::fromBase64(words[2]);
        } else if (key == "mossa" && words.size() == 4) {
            read.steps.moves.append({pathFrom(words[1]), pathFrom(words[2]), pathFrom(words[3])});
        } else if (key == "rimuovi" && words.size() == 2) {
            read.steps.removedAfter.append(pathFrom(words[1]));
        } else if (key == "archivio" && words.size() == 2) {
            read.steps.newArchive = QByteArray::fromBase64(words[1]);
            sawArchive = true;
        } else {
            reason = QStringLiteral("la riga %1 non si capisce").arg(i + 1);
            return false;
        }
    }
    QStringList paths = read.steps.removedAfter;
    paths << read.steps.createdFolder << read.steps.notePath;
    for (const FileMove &move : std::as_const(read.steps.moves)) {
        if (move.from.isEmpty() || move.temporary.isEmpty() || move.to.isEmpty()) {
            reason = QStringLiteral("una ridenominazione non ha nome");
            return false;
        }
        paths << move.from << move.temporary << move.to;
    }
    for (const QString &p : std::as_const(paths)) {
        if (!staysInside(p)) {
            reason = QStringLiteral("nomina un file fuori dalla cartella spartiti");
            return false;
        }
    }
    if (!sawArchive) {
        reason = QStringLiteral("manca il nuovo archivio");
        return false;
    }
    contents = std::move(read);
    return true;
}

namespace {

// The names a reorganisation gives, relative to the data folder.
bool isCatalogueName(const QString &relative)
{
    static const QRegularExpression names(QStringLiteral(
        "^(?:"
        "\\d+[LR]\\.jpg|audio/\\d+\\.mp3"                  // pages and tracks
        "|(?:\\d+[LR]|audio/\\d+)"                        // a sync service's copies of them
        "(?:\\.sync-conflict-[^/]+|_conflict-[^/]+| \\([^/]*conflict[^/]*\\))\\.(?:jpg|mp3)"
        "|(?:audio/)?\\.riordino-[0-9-]+-\\d+"               // temporary names
        "|\\.importa-[0-9-]+(?:/(?:\\d+[LR]\\.jpg|\\.riordino-[0-9-]+-\\d+))?"   // an import's pages
        "|eliminati(?:/\\d{8}-\\d{6}(?:-\\d+)?"             // deleted scores' folders
        "(?:/(?:\\d+[LR]\\.jpg|\\d+\\.mp3|spartito\\.txt|\\.riordino-[0-9-]+-\\d+))?)?"
        ")$"));
    return names.match(relative).hasMatch();
}

// No folder on the way from the data folder to `relative` is a symbolic link.
bool noLinkOnTheWay(const QString &dataFolder, const QString &relative)
{
    QString path = dataFolder;
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += QLatin1Char('/') + parts[i];
        if (QFileInfo(path).isSymLink())
            return false;
    }
    return true;
}

} // namespace

bool onlyCatalogueFiles(const ReorganisationSteps &steps, const QString &dataFolder, QString &reason)
{
    QStringList named;
    for (const FileMove &move : steps.moves)
        named << move.from << move.temporary << move.to;
    named << steps.removedAfter;
    if (!steps.createdFolder.isEmpty())
        named << steps.createdFolder << steps.notePath;
    for (const QString &relative : std::as_const(named)) {
        if (!isCatalogueName(relative)) {
            reason = QStringLiteral("nomina \"%1\", che non è un file dell'archivio").arg(relative);
            return false;
        }
        if (!noLinkOnTheWay(dataFolder, relative)) {
            reason = QStringLiteral("il percorso di \"%1\" passa per un collegamento simbolico").arg(relative);
            return false;
        }
    }
    return true;
}

} // namespace spartiti::journal
