#pragma once

#include <QList>
#include <QString>

namespace spartiti {

class ScoreListFilter;

// One score as the list window shows it, for the writers that export the list.
struct ScoreListRow
{
    int number = 0;
    QString title;
    QString author;
    QString tags;
    QString category;     // the category's name; empty for none
    bool leftPage = false;
    bool rightPage = false;
    bool track = false;
};

// The scores the filter lets through, in the order the user sees them.
QList<ScoreListRow> rowsAsListed(const ScoreListFilter &filter);

// What the "pagine" column says: "sinistra e destra", "solo sinistra", "solo destra" or
// "nessuna".
QString pagesText(const ScoreListRow &row);

} // namespace spartiti
