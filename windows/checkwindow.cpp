#include "checkwindow.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace spartiti {

CheckWindow::CheckWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_summary(new QLabel(this))
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("controllo"));
    setWindowTitle(QStringLiteral("Controlla archivio"));
    m_list->setObjectName(QStringLiteral("findings"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_list);
    resize(640, 360);
    connect(m_list, &QListWidget::itemClicked, this, &CheckWindow::rowActivated);
    connect(m_list, &QListWidget::itemActivated, this, &CheckWindow::rowActivated);
}

void CheckWindow::showFindings(const QList<Finding> &findings, qint64 elapsedMs)
{
    m_list->clear();
    for (const Finding &finding : findings) {
        auto *item = new QListWidgetItem(finding.text, m_list);
        item->setData(Qt::UserRole, finding.scoreNumber);
        if (finding.scoreNumber > 0)
            item->setToolTip(QStringLiteral("Fai clic per andare allo spartito %1").arg(finding.scoreNumber));
    }
    m_summary->setText(findings.isEmpty()
                           ? QStringLiteral("Nessun problema trovato (%1 ms).").arg(elapsedMs)
                           : QStringLiteral("%1 segnalazioni (%2 ms). Fai clic su una riga per andare "
                                            "allo spartito.")
                                 .arg(findings.size())
                                 .arg(elapsedMs));
}

int CheckWindow::rowCount() const
{
    return m_list->count();
}

int CheckWindow::scoreOfRow(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void CheckWindow::rowActivated(QListWidgetItem *item)
{
    const int number = item->data(Qt::UserRole).toInt();
    if (number > 0)
        emit goToScore(number);
}

} // namespace spartiti
