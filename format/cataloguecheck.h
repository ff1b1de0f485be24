#pragma once

#include "catalogue.h"

#include <QList>
#include <QString>

namespace spartiti {

// A look at the whole catalogue and its folder for what a user would want to fix: page
// files without their pair, files named after scores that do not exist, empty or
// repeated titles, unknown categories, values the archive cannot save.
struct Finding
{
    enum class Kind { LonelyPage, OrphanFile, EmptyTitle, RepeatedTitle, BadCategory, Unwritable, TooMany };
    Kind kind;
    int scoreNumber;   // the score to go to; 0 when the finding belongs to no score
    QString text;      // one line in Italian
};

QList<Finding> checkCatalogue(const ScoreCatalogue &catalogue, const QString &dataFolder);

// Title folded for comparison: no case, no accents, no blanks.
QString foldTitle(const QString &title);

} // namespace spartiti
