#include "scorelistwindow.h"

#include "cataloguedocument.h"
#include "categorylist.h"
#include "module1.h"
#include "scorelistfilter.h"
#include "scorelistmodel.h"
#include "cataloguefolder.h"
#include "notifier.h"
#include "pageprinting.h"
#include "scorelistexport.h"
#include "scorelistrow.h"

#include <algorithm>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace spartiti {

ScoreListWindow::ScoreListWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_document(document)
    , m_notifier(notifier)
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
    // Several scores may be chosen for printing.
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
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

    auto *footer = new QHBoxLayout;
    footer->addWidget(m_shownCount, 1);
    const struct
    {
        const char *name;
        QString text;
        void (ScoreListWindow::*act)();
    } commands[] = {
        {"anteprimaPagine", QStringLiteral("&Anteprima di stampa..."), nullptr},
        {"stampaPagine", QStringLiteral("S&tampa le pagine..."), nullptr},
        {"esportaElenco", QStringLiteral("&Esporta elenco..."), &ScoreListWindow::exportList},
    };
    for (const auto &command : commands) {
        auto *button = new QPushButton(command.text, this);
        button->setObjectName(QString::fromLatin1(command.name));
        footer->addWidget(button);
        if (command.act)
            connect(button, &QPushButton::clicked, this, command.act);
        else
            connect(button, &QPushButton::clicked, this,
                    [this, preview = command.name[0] == 'a'] { printSelected(preview); });
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(problem);
    layout->addLayout(footer);
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

QList<int> ScoreListWindow::selectedNumbers() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<int> numbers;
    for (const int row : rows)
        numbers.append(m_filter->numberAt(row));
    return numbers;
}

void ScoreListWindow::printSelected(bool preview)
{
    const QList<int> numbers = selectedNumbers();
    if (numbers.isEmpty()) {
        m_notifier.warn(QStringLiteral("Scegli nell'elenco gli spartiti da stampare (Ctrl o Maiusc con un clic "
                                       "per sceglierne più d'uno)."));
        return;
    }
    printScorePages(this, m_document.folder(), numbers, m_notifier, preview);
}

void ScoreListWindow::exportList()
{
    const QString csvFilter = QStringLiteral("Tabella CSV per fogli di calcolo (*.csv)");
    const QString pdfFilter = QStringLiteral("Catalogo PDF da stampare, nell'ordine dell'elenco (*.pdf)");
    const QString groupedFilter = QStringLiteral("Catalogo PDF da stampare, per categoria (*.pdf)");
    QString chosenFilter = csvFilter;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Esporta elenco"),
        QDir(m_document.folder().parentPath()).filePath(QStringLiteral("elenco-spartiti.csv")),
        QStringList{csvFilter, pdfFilter, groupedFilter}.join(QStringLiteral(";;")), &chosenFilter);
    if (path.isEmpty())
        return;
    // The name's ending decides; a name without one takes the chosen filter's.
    const ScoreListFormat pdf = chosenFilter == groupedFilter ? ScoreListFormat::PdfByCategory : ScoreListFormat::Pdf;
    ScoreListFormat format = chosenFilter == csvFilter ? ScoreListFormat::Csv : pdf;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        format = pdf;
    else if (suffix == QLatin1String("csv"))
        format = ScoreListFormat::Csv;
    else
        path += format == ScoreListFormat::Csv ? QStringLiteral(".csv") : QStringLiteral(".pdf");

    const QList<ScoreListRow> rows = rowsAsListed(*m_filter);
    QString title = QStringLiteral("Elenco degli spartiti");
    if (!m_filterField->text().trimmed().isEmpty())
        title += QStringLiteral(" – filtro «%1»").arg(m_filterField->text().trimmed());
    if (const auto error = exportScoreList(path, format, rows, title, QDate::currentDate())) {
        m_notifier.warn(QStringLiteral("L'elenco non è stato esportato. %1").arg(error->message));
        return;
    }
    m_notifier.inform(QStringLiteral("Elenco di %1 spartiti esportato in %2.")
                          .arg(rows.size())
                          .arg(QDir::toNativeSeparators(path)));
}

} // namespace spartiti
