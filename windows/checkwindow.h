#pragma once

#include "cataloguecheck.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace spartiti {

// "Controlla archivio": one row per finding of the catalogue check; a click on a row
// that belongs to a score asks the editor to go there.
class CheckWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CheckWindow(QWidget *parent = nullptr);

    void showFindings(const QList<Finding> &findings, qint64 elapsedMs);
    int rowCount() const;
    // The score of a row, 0 when it belongs to none.
    int scoreOfRow(int row) const;

signals:
    void goToScore(int number);

private:
    void rowActivated(QListWidgetItem *item);

    QLabel *m_summary;
    QListWidget *m_list;
};

} // namespace spartiti
