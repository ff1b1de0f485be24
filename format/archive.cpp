#include "archive.h"

#include "itemreader.h"
#include "atomicfile.h"
#include "filecause.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstdint>

namespace spartiti {

namespace {

constexpr int MaxItems = INT16_MAX;

// The largest file a catalogue of 3 276 records can need, 64 MB: five lines a record
// leave every line 4 096 bytes, quotes and line end included, far more than any title,
// author, tag list or category holds. A longer file is damaged or is not the archive;
// it is refused before it is read, as reading gigabytes of it whole ends the program.
constexpr qint64 MaxArchiveBytes = 64 * 1024 * 1024;
constexpr qint64 LongestArchiveLine = 4096;
static_assert(qint64(ScoreCatalogue::MaxArchiveRecords) * ScoreCatalogue::FieldCount * LongestArchiveLine
                      + qint64(sizeof("var archivio = [\r\n ];\r\n"))
                  <= MaxArchiveBytes,
              "the largest catalogue must fit the archive ceiling");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

qint64 roundedUpMB(qint64 bytes)
{
    return (bytes + 1024 * 1024 - 1) / (1024 * 1024);
}

Error tooLarge(const QString &path, qint64 size)
{
    return {Error::Kind::Io,
            QStringLiteral("L'archivio \"%1\" è troppo grande (%2 MB): un archivio di %3 spartiti non supera i "
                           "%4 MB. Il file potrebbe essere danneggiato o non essere l'archivio.")
                .arg(shown(path))
                .arg(roundedUpMB(size))
                .arg(ScoreCatalogue::MaxArchiveRecords)
                .arg(MaxArchiveBytes / (1024 * 1024))};
}

Error openError(const QString &path, const QString &reason)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return {Error::Kind::PathNotFound,
                QStringLiteral("Impossibile aprire \"%1\": la cartella \"%2\" non esiste.")
                    .arg(shown(path), shown(info.dir().path()))};
    if (!info.exists())
        return {Error::Kind::FileNotFound,
                QStringLiteral("Impossibile aprire \"%1\": il file non esiste.").arg(shown(path))};
    if (info.isDir())
        return {Error::Kind::Io,
                QStringLiteral("Impossibile aprire \"%1\": è una cartella, non un file.")
                    .arg(shown(path))};
    return {Error::Kind::Io, QStringLiteral("Impossibile aprire \"%1\": %2.").arg(shown(path), reason)};
}

Error pastEnd(const QString &path, int itemsFound, int itemsNeeded)
{
    return {Error::Kind::InputPastEnd,
            QStringLiteral("Impossibile leggere \"%1\": il file finisce prima del previsto "
                           "(contiene %2 voci, ne servono %3).")
                .arg(shown(path))
                .arg(itemsFound)
                .arg(itemsNeeded)};
}

} // namespace

std::optional<Error> parseArchive(QByteArrayView bytes, ArchiveContents &contents,
                                  const QString &path, ArchiveEncoding encoding)
{
    // First pass: count the items. The counter is 16 bits wide.
    int count = 0;
    {
        ItemReader reader(bytes);
        while (!reader.atEnd()) {
            if (count == MaxItems)
                return Error{Error::Kind::Overflow,
                             QStringLiteral("Impossibile leggere \"%1\": il file contiene più di "
                                            "%2 voci, cioè più di %3 titoli.")
                                 .arg(shown(path))
                                 .arg(MaxItems)
                                 .arg(ScoreCatalogue::MaxArchiveRecords)};
            ++count;
            if (!reader.next())
                return pastEnd(path, count - 1, count);
        }
    }

    // Ten items per record plus the first and last lines; a count that does not fit
    // is rounded to the nearest record, a tie to the even number.
    const int n = static_cast<int>(std::nearbyint((count - 2) / 10.0));

    // Second pass: the first line, then n records of five values, each followed by the
    // empty item between its comma and the line end. Later items are never read.
    ItemReader reader(bytes);
    const int needed = 1 + 10 * std::max(n, 0);
    if (!reader.next())
        return pastEnd(path, count, needed);
    QList<ArchiveRecord> records;
    records.reserve(std::max(n, 0));
    for (int r = 1; r <= n; ++r) {
        ArchiveRecord record;
        for (QString &value : record) {
            const auto item = reader.next();
            if (!item || !reader.next())
                return pastEnd(path, count, needed);
            value = encoding == ArchiveEncoding::Utf8 ? QString::fromUtf8(*item)
                                                      : windows1252::decode(*item);
        }
        records.append(std::move(record));
    }
    contents.itemCount = count;
    contents.records = std::move(records);
    return std::nullopt;
}

std::optional<Error> readArchiveBytes(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return openError(path, fileErrorCause(file, errno));
    const qint64 size = file.size();
    if (size > MaxArchiveBytes)
        return tooLarge(path, size);
    // One byte more than the size just seen shows a file that grew meanwhile; the rest of
    // it is read up to one byte past the ceiling, and refused if it gets there.
    QByteArray read = file.read(size + 1);
    if (read.size() > size && file.error() == QFileDevice::NoError)
        read += file.read(MaxArchiveBytes + 1 - read.size());
    if (file.error() != QFileDevice::NoError)
        return Error{Error::Kind::Io, QStringLiteral("Impossibile leggere \"%1\": %2.")
                                          .arg(shown(path), fileErrorCause(file, errno))};
    if (read.size() > MaxArchiveBytes)
        return tooLarge(path, std::max(file.size(), qint64(read.size())));
    bytes = std::move(read);
    return std::nullopt;
}

std::optional<Error> loadArchiveBytes(ScoreCatalogue &catalogue, QByteArrayView bytes, const QString &path,
                                      ArchiveEncoding encoding)
{
    ArchiveContents contents;
    if (auto error = parseArchive(bytes, contents, path, encoding))
        return error;

    const int n = int(contents.records.size());
    catalogue.setScoreCount(n);
    for (int slot = 1; slot <= n; ++slot) {
        const ArchiveRecord &record = contents.records[slot - 1];
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
            catalogue.setValue(ScoreCatalogue::Field(f), slot, record[f]);
    }
    return std::nullopt;
}

std::optional<Error> readArchive(ScoreCatalogue &catalogue, const QString &path, ArchiveEncoding encoding)
{
    QByteArray bytes;
    if (auto error = readArchiveBytes(path, bytes))
        return error;
    return loadArchiveBytes(catalogue, bytes, path, encoding);
}

std::optional<QChar> firstUnwritable(const QString &value)
{
    for (const QChar c : value) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char('\r')
            || c == QLatin1Char('\n'))
            return c;
    }
    return windows1252::firstUnencodable(value);
}

QString describeUnwritable(QChar c)
{
    if (c == QLatin1Char('"'))
        return QStringLiteral("le virgolette \"");
    if (c == QLatin1Char('\\'))
        return QStringLiteral("la barra rovesciata \\ (la pagina web la leggerebbe diversamente)");
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
        return QStringLiteral("un a capo");
    return QStringLiteral("il carattere «%1»").arg(c);
}

std::optional<Error> encodeArchive(const ScoreCatalogue &catalogue, QByteArray &bytes)
{
    const int n = catalogue.scoreCount();
    if (n > ScoreCatalogue::MaxArchiveRecords)
        return Error{Error::Kind::TooManyRecords,
                     QStringLiteral("L'archivio può contenere al massimo %1 titoli: ce ne sono %2. "
                                    "Nulla è stato salvato.")
                         .arg(ScoreCatalogue::MaxArchiveRecords)
                         .arg(n)};

    static const QByteArray crlf("\r\n");
    QByteArray out;
    out.reserve(64 + qsizetype(n) * 96);
    out += "var archivio = [";
    out += crlf;
    for (int slot = 1; slot <= n; ++slot) {
        out += '"';
        out += QByteArray::number(slot);
        out += "\",";
        out += crlf;
        for (int f = 1; f < ScoreCatalogue::FieldCount; ++f) {
            const auto field = ScoreCatalogue::Field(f);
            QString value = catalogue.value(field, slot);
            if (field == ScoreCatalogue::Field::Category && value.isEmpty())
                value = QStringLiteral("0");
            const std::optional<QByteArray> encoded = windows1252::encode(value);
            const std::optional<QChar> bad = firstUnwritable(value);
            if (bad || !encoded) {
                return Error{Error::Kind::Unencodable,
                             QStringLiteral("Il campo %1 del titolo numero %2 contiene %3, che "
                                            "l'archivio non può salvare. Nulla è stato salvato.")
                                 .arg(ScoreCatalogue::fieldName(field))
                                 .arg(slot)
                                 .arg(describeUnwritable(bad.value_or(QChar(u'?'))))};
            }
            out += '"';
            out += *encoded;
            out += "\",";
            out += crlf;
        }
    }
    out += " ];";
    out += crlf;
    bytes = std::move(out);
    return std::nullopt;
}

std::optional<Error> writeArchive(const ScoreCatalogue &catalogue, const QString &path)
{
    QByteArray bytes;
    if (auto error = encodeArchive(catalogue, bytes))
        return error;
    return replaceFileAtomically(path, bytes);
}

std::optional<Error> saveArchive(ScoreCatalogue &catalogue, const QString &path)
{
    if (auto error = writeArchive(catalogue, path))
        return error;
    return readArchive(catalogue, path);
}

} // namespace spartiti
