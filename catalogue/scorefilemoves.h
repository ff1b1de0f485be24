#pragma once

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

namespace spartiti {

// Gives the pages and track of scores that took a new number the new number too, but
// only the files in `owned`: any other file under the old number may belong to another
// editor's score of that number. A file is never moved over one already at the new
// number. Returns what could not be moved, one Italian sentence each.
QStringList moveScoreFiles(QList<QPair<int, int>> moves, const QSet<QString> &owned);

} // namespace spartiti
