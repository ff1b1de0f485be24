#pragma once

#include "catalogue.h"
#include "error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace spartiti {

// The archive file "spartiti/archivio.js" is at the same time a JavaScript program that
// other software includes unchanged: one array `archivio` of five strings per score.
// For n records it has 5n + 2 CR LF lines: "var archivio = [", then per record the
// lines "number", "title", "author", "tags", "category" each quoted and followed by a
// comma, then " ];". The file carries no count: readers derive it from the number of
// items, which is why the format tops out at 32 767 items, 3 276 records.

using ArchiveRecord = std::array<QString, ScoreCatalogue::FieldCount>;

// How the bytes of each value are read. Archives are Windows-1252; an archive that a text
// editor re-saved in UTF-8 can be read as such once, to convert it.
enum class ArchiveEncoding { Windows1252, Utf8 };

struct ArchiveContents
{
    int itemCount = 0;
    QList<ArchiveRecord> records;
};

// Parses the bytes of an archive. `path` only names the file in error messages.
std::optional<Error> parseArchive(QByteArrayView bytes, ArchiveContents &contents,
                                  const QString &path,
                                  ArchiveEncoding encoding = ArchiveEncoding::Windows1252);

// The whole file at `path`, with the errors readArchive reports.
std::optional<Error> readArchiveBytes(const QString &path, QByteArray &bytes);

// Parses bytes and puts them into slots 1..n of the catalogue, setting scoreCount to n;
// no other slot changes. On failure the catalogue is untouched.
std::optional<Error> loadArchiveBytes(ScoreCatalogue &catalogue, QByteArrayView bytes, const QString &path,
                                      ArchiveEncoding encoding = ArchiveEncoding::Windows1252);

// Reads the archive at `path` into slots 1..n of the catalogue and sets scoreCount to n;
// no other slot changes. On failure the catalogue is untouched.
std::optional<Error> readArchive(ScoreCatalogue &catalogue, const QString &path,
                                 ArchiveEncoding encoding = ArchiveEncoding::Windows1252);

// The exact bytes of the archive for slots 1..scoreCount, numbered from the slot index,
// an empty category written as "0". Refuses what the format cannot hold (see
// firstUnwritable) and more than 3 276 records.
std::optional<Error> encodeArchive(const ScoreCatalogue &catalogue, QByteArray &bytes);

// The first character of value that the archive cannot hold, if any: a double quote, CR
// or LF, which would end the value, a backslash, which a JavaScript reader takes as an
// escape (the format has none), or a character outside Windows-1252. Every refusal of
// the fields, of saving and of the catalogue check asks this one function.
std::optional<QChar> firstUnwritable(const QString &value);

// How a character that firstUnwritable found is named in messages.
QString describeUnwritable(QChar c);

// Writes the archive atomically: the old file stays, byte for byte, until the new one
// is complete on disk. The catalogue is not changed.
std::optional<Error> writeArchive(const ScoreCatalogue &catalogue, const QString &path);

// Saving: writeArchive, then readArchive of the file just written, so that memory holds
// exactly what the file says. On failure neither the file nor memory changes.
std::optional<Error> saveArchive(ScoreCatalogue &catalogue, const QString &path);

} // namespace spartiti
