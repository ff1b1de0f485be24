#pragma once

#include "error.h"
#include "scorelistrow.h"

#include <QDate>
#include <QString>

#include <optional>

namespace spartiti {

// A PDF catalogue in the list's order, or grouped by category under a heading each.
enum class ScoreListFormat { Csv, Pdf, PdfByCategory };

// Writes the rows to `path` as a CSV table or a PDF catalogue, all or nothing: a failed
// write leaves no partial file and whatever stood at `path` before.
std::optional<Error> exportScoreList(const QString &path, ScoreListFormat format, const QList<ScoreListRow> &rows,
                                     const QString &title, const QDate &date);

} // namespace spartiti
