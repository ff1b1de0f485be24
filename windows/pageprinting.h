#pragma once

#include <QList>

class QWidget;

namespace spartiti {

class CatalogueFolder;
class Notifier;

// Prints the pages of the scores `numbers` (each left page then right page) through
// Qt's print dialog, or first in its print preview, whose button prints. Says before
// the dialog which pages are left out, and after printing which could not be read.
void printScorePages(QWidget *parent, const CatalogueFolder &folder, const QList<int> &numbers, Notifier &notifier,
                     bool preview);

} // namespace spartiti
