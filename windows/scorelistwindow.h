#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace spartiti {

class CatalogueDocument;
class Notifier;
class ScoreListFilter;
class ScoreListModel;

// "Elenco degli spartiti": every score of the catalogue in a table that sorts by any
// column, narrowed by a filter field and three quick filters. A double-click or Enter
// on a row asks the editor to show that score. The window stays open beside the editor
// and follows every change of the catalogue. Its buttons print the pages of the chosen
// scores and export the list as it is shown (filter and order kept) to CSV or PDF.
class ScoreListWindow : public QWidget
{
    Q_OBJECT

public:
    ScoreListWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);

    ScoreListModel *model() const { return m_model; }
    ScoreListFilter *filter() const { return m_filter; }
    QLineEdit *filterField() const { return m_filterField; }
    QTableView *table() const { return m_table; }

signals:
    void scoreChosen(int number);

private:
    void chooseRow(int row);
    void showShownCount();
    // The selected scores, in the order the list shows them.
    QList<int> selectedNumbers() const;
    void printSelected(bool preview);
    void exportList();

    CatalogueDocument &m_document;
    Notifier &m_notifier;
    ScoreListModel *m_model;
    ScoreListFilter *m_filter;
    QLineEdit *m_filterField;
    QTableView *m_table;
    QLabel *m_shownCount;
};

} // namespace spartiti
