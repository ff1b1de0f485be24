#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

namespace spartiti {

class ScoreListModel;

// The score list as shown: sorted by the column the user chose, and narrowed to the
// scores whose title, author and tags hold every word typed (case and accents ignored,
// as in the search) and that pass the quick filters, which combine.
class ScoreListFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum QuickFilter { WithoutPages = 1, WithoutTrack = 2, WithoutCategory = 4 };

    explicit ScoreListFilter(ScoreListModel *source, QObject *parent = nullptr);

    void setQuery(const QString &query);
    void setQuickFilter(QuickFilter filter, bool on);
    int quickFilters() const { return m_quick; }

    // The score shown in a row of this model.
    int numberAt(int row) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    const ScoreListModel *m_source;
    QStringList m_words;
    int m_quick = 0;
};

} // namespace spartiti
