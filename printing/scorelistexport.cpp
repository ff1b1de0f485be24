#include "scorelistexport.h"

#include "atomicfile.h"
#include "scorelistcsv.h"
#include "scorelistpdf.h"

namespace spartiti {

std::optional<Error> exportScoreList(const QString &path, ScoreListFormat format, const QList<ScoreListRow> &rows,
                                     const QString &title, const QDate &date)
{
    const QByteArray bytes = format == ScoreListFormat::Csv
        ? scoreListCsv(rows)
        : scoreListPdf(rows, title, date, format == ScoreListFormat::PdfByCategory);
    return replaceFileAtomically(path, bytes);
}

} // namespace spartiti
