#pragma once

#include "scorelistrow.h"

#include <QByteArray>

namespace spartiti {

// The rows as CSV by RFC 4180: UTF-8 with a byte-order mark (spreadsheets take the file
// for Windows-1252 without it), commas between fields, CR LF after each record, a field
// quoted when it holds a comma, a quote or a line break, its quotes doubled. The first
// record names the columns: numero,titolo,autore,tag,categoria,pagine,traccia.
QByteArray scoreListCsv(const QList<ScoreListRow> &rows);

} // namespace spartiti
