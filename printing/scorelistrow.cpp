#include "scorelistrow.h"

#include "scorelistfilter.h"
#include "scorelistmodel.h"

namespace spartiti {

QList<ScoreListRow> rowsAsListed(const ScoreListFilter &filter)
{
    QList<ScoreListRow> rows;
    const auto *model = qobject_cast<const ScoreListModel *>(filter.sourceModel());
    if (!model)
        return rows;
    rows.reserve(filter.rowCount());
    for (int shown = 0; shown < filter.rowCount(); ++shown) {
        const int number = filter.numberAt(shown);
        const int row = ScoreListModel::rowOf(number);
        const auto cell = [&](int column) { return model->index(row, column).data().toString(); };
        rows.append({number, cell(ScoreListModel::Title), cell(ScoreListModel::Author), cell(ScoreListModel::Tags),
                     model->categoryText(row), model->hasLeftPage(row), model->hasRightPage(row),
                     model->hasTrack(row)});
    }
    return rows;
}

QString pagesText(const ScoreListRow &row)
{
    if (row.leftPage && row.rightPage)
        return QStringLiteral("sinistra e destra");
    if (row.leftPage)
        return QStringLiteral("solo sinistra");
    if (row.rightPage)
        return QStringLiteral("solo destra");
    return QStringLiteral("nessuna");
}

} // namespace spartiti
