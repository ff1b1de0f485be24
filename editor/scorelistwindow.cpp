#include "scorelistwindow.h"

#include "cataloguedocument.h"
#include "categorylist.h"
#include "module1.h"
#include "scorelistfilter.h"
#include "scorelistmodel.h"
#include "cataloguefolder.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace spartiti {

ScoreListWindow::ScoreListWindow(CatalogueDocument &document, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("elenco"));
    setWindowTitle(QStringLiteral("Elenco degli spartiti"));
    setAttribute(Qt::WA_DeleteOnClose);

    // The category column names the categories; the list is read here when no window
    // has read it yet. Without it the column shows the codes, and says why.
    QString categoryProblem;
    if (auto error = document.categoryListError())
        categoryProblem = error->message;

    m_model = new ScoreListModel(document, this);
    m_filter = new ScoreListFilter(m_model, this);

    m_filterField = new QLineEdit(this);
    m_filterField->setObjectName(QStringLiteral("filtro"));
    m_filterField->setPlaceholderText(QStringLiteral("Filtra per titolo, autore, tag"));
    m_filterField->setClearButtonEnabled(true);
    m_filterField->setAccessibleName(QStringLiteral("Filtra per titolo, autore, tag"));
    connect(m_filterField, &QLineEdit::textChanged, m_filter, &ScoreListFilter::setQuery);

    auto *filters = new QHBoxLayout;
    filters->addWidget(m_filterField, 1);
    const struct
    {
        const char *name;
        QString text, tip;
        ScoreListFilter::QuickFilter filter;
    } quick[] = {
        {"senzaPagine", QStringLiteral("senza &pagine"),
         QStringLiteral("Spartiti a cui manca la pagina di sinistra o quella di destra"),
         ScoreListFilter::WithoutPages},
        {"senzaBase", QStringLiteral("senza &base"), QStringLiteral("Spartiti senza base Mp3"),
         ScoreListFilter::WithoutTrack},
        {"senzaCategoria", QStringLiteral("senza &categoria"), QStringLiteral("Spartiti senza categoria"),
         ScoreListFilter::WithoutCategory},
    };
    for (const auto &entry : quick) {
        auto *box = new QCheckBox(entry.text, this);
        box->setObjectName(QString::fromLatin1(entry.name));
        box->setToolTip(entry.tip);
        const ScoreListFilter::QuickFilter filter = entry.filter;
        connect(box, &QCheckBox::toggled, m_filter, [this, filter](bool on) { m_filter->setQuickFilter(filter, on); });
        filters->addWidget(box);
    }

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tabella"));
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ScoreListModel::Number, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Every row as high as the font: the view never measures 3 276 rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView *header = m_table->horizontalHeader();
    const int narrow = fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8;
    const int widths[] = {fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12, 260, 160, 160, 110,
                          narrow, narrow, narrow};
    for (int column = 0; column < ScoreListModel::ColumnCount; ++column)
        header->resizeSection(column, widths[column]);
    header->setStretchLastSection(false);
    m_table->setAccessibleName(QStringLiteral("Spartiti"));
    m_table->setAccessibleDescription(QStringLiteral("Invio o doppio clic mostra lo spartito nell'editor"));

    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) { chooseRow(index.row()); });
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        new QShortcut(key, m_table, this, [this] { chooseRow(m_table->currentIndex().row()); }, Qt::WidgetShortcut);
    // Enter in the filter field goes to the first score listed.
    connect(m_filterField, &QLineEdit::returnPressed, this, [this] { chooseRow(0); });

    m_shownCount = new QLabel(this);
    m_shownCount->setObjectName(QStringLiteral("conteggio"));
    auto *problem = new QLabel(categoryProblem, this);
    problem->setWordWrap(true);
    problem->setVisible(!categoryProblem.isEmpty());
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_filter, signal, this, &ScoreListWindow::showShownCount);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &ScoreListWindow::showShownCount);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &ScoreListWindow::showShownCount);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(problem);
    layout->addWidget(m_shownCount);
    setTabOrder(m_filterField, m_table);
    showShownCount();
    resize(980, 560);
}

void ScoreListWindow::chooseRow(int row)
{
    if (const int number = m_filter->numberAt(row))
        emit scoreChosen(number);
}

void ScoreListWindow::showShownCount()
{
    const int shown = m_filter->rowCount();
    const int all = m_model->rowCount();
    m_shownCount->setText(shown == all ? QStringLiteral("%1 spartiti").arg(all)
                                       : QStringLiteral("%1 spartiti su %2").arg(shown).arg(all));
}

} // namespace spartiti
