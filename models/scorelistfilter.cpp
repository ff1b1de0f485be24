#include "scorelistfilter.h"

#include "scorelistmodel.h"
#include "search.h"

namespace spartiti {

ScoreListFilter::ScoreListFilter(ScoreListModel *source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_source(source)
{
    setSourceModel(source);
    setSortRole(ScoreListModel::SortRole);
    // An edited row moves to its new place and leaves when it no longer matches.
    setDynamicSortFilter(true);
}

void ScoreListFilter::setQuery(const QString &query)
{
    QStringList words = ScoreSearch::fold(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_words)
        return;
    // Only narrowing is cheaper when every old word is still typed; Qt decides from what
    // it is told, so the whole filter is redone.
    m_words = std::move(words);
    invalidateRowsFilter();
}

void ScoreListFilter::setQuickFilter(QuickFilter filter, bool on)
{
    const int quick = on ? (m_quick | filter) : (m_quick & ~filter);
    if (quick == m_quick)
        return;
    m_quick = quick;
    invalidateRowsFilter();
}

int ScoreListFilter::numberAt(int row) const
{
    const QModelIndex source = mapToSource(index(row, 0));
    return source.isValid() ? ScoreListModel::numberAt(source.row()) : 0;
}

bool ScoreListFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if ((m_quick & WithoutPages) && m_source->hasLeftPage(sourceRow) && m_source->hasRightPage(sourceRow))
        return false;
    if ((m_quick & WithoutTrack) && m_source->hasTrack(sourceRow))
        return false;
    if ((m_quick & WithoutCategory) && m_source->hasCategory(sourceRow))
        return false;
    if (m_words.isEmpty())
        return true;
    const QString &text = m_source->foldedText(sourceRow);
    for (const QString &word : m_words) {
        if (!text.contains(word))
            return false;
    }
    return true;
}

bool ScoreListFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return m_source->lessThan(left.row(), right.row(), left.column());
}

} // namespace spartiti
