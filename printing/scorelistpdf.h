#pragma once

#include "error.h"
#include "scorelistrow.h"

#include <QByteArray>
#include <QDate>

#include <optional>

class QPagedPaintDevice;

namespace spartiti {

// The score list as a printed catalogue: the title and the date on the first page, then
// a table of the rows in their order, its header row repeated at the top of every page,
// long texts wrapped within their column, "Pagina n di m" at the foot of each page.
// `byCategory` groups the rows by category name (in Italian order, the scores without
// one last), each group under a heading, keeping the list's order within a group.
// Paints on any paged device (a PDF writer, a printer); an error when it cannot start.
std::optional<Error> paintScoreList(QPagedPaintDevice &device, const QList<ScoreListRow> &rows,
                                    const QString &title, const QDate &date, bool byCategory = false);

// The same as the bytes of an A4 PDF file.
QByteArray scoreListPdf(const QList<ScoreListRow> &rows, const QString &title, const QDate &date,
                        bool byCategory = false);

} // namespace spartiti
