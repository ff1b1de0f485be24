#pragma once

#include "catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace spartiti {

// Finds scores by title, author and tags, ignoring case and accents ("perche" finds
// "Perché"): every word of the query must occur in one of the three. The folded texts
// are kept so that a query over thousands of scores answers within a frame; the owner
// calls invalidate() when the catalogue changes.
class ScoreSearch
{
public:
    explicit ScoreSearch(const ScoreCatalogue &catalogue) : m_catalogue(catalogue) {}

    void invalidate() { m_stale = true; }

    // Numbers of the matching scores among 1..scoreCount, in order, at most `limit`.
    QList<int> find(const QString &query, int limit = 50);

    // Text folded for matching: lower case, no accents.
    static QString fold(const QString &text);

private:
    void rebuild();

    const ScoreCatalogue &m_catalogue;
    QStringList m_folded;   // index k - 1 holds score k's title, author and tags
    bool m_stale = true;
};

} // namespace spartiti
