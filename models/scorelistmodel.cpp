#include "scorelistmodel.h"

#include "cataloguedocument.h"
#include "module1.h"
#include "cataloguefolder.h"
#include "search.h"

#include <QDir>
#include <QDirIterator>
#include <QLocale>
#include <QSet>

namespace spartiti {

namespace {

using Field = ScoreCatalogue::Field;

// The names of the plain files in a folder, from one listing: reading a folder of
// 10 000 files costs less than looking each of them up.
QSet<QString> presentFiles(const QString &folder)
{
    QSet<QString> names;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        names.insert(it.fileName());
    }
    return names;
}

int categoryCode(const QString &category)
{
    bool ok = false;
    const int code = category.toInt(&ok);
    return ok ? code : -1;
}

} // namespace

ScoreListModel::ScoreListModel(CatalogueDocument &document, QObject *parent)
    : QAbstractTableModel(parent)
    , m_document(document)
    , m_collator(QLocale(QLocale::Italian, QLocale::Italy))
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
    connect(&document, &CatalogueDocument::reloaded, this, &ScoreListModel::reset);
    connect(&document, &CatalogueDocument::recordsReplaced, this, &ScoreListModel::reset);
    connect(&document, &CatalogueDocument::recordChanged, this, &ScoreListModel::updateRecord);
    connect(&document, &CatalogueDocument::filesChanged, this, &ScoreListModel::updateFiles);
    reset();
}

void ScoreListModel::reset()
{
    beginResetModel();
    m_rows = std::clamp<int>(m_document.catalogue().scoreCount(), 0, ScoreCatalogue::SlotCount - 1);
    m_cache.assign(m_rows, RowCache());
    m_sortKeys.assign(ColumnCount, {});
    const QSet<QString> pages = presentFiles(m_document.folder().path());
    const QSet<QString> tracks = presentFiles(m_document.folder().audioFolder());
    for (int row = 0; row < m_rows; ++row) {
        const QString n = paths::scoreNumberText(numberAt(row));
        RowCache &cache = m_cache[row];
        cache.files = (pages.contains(n + QLatin1String("L.jpg")) ? LeftFlag : 0)
                      | (pages.contains(n + QLatin1String("R.jpg")) ? RightFlag : 0)
                      | (tracks.contains(n + QLatin1String(".mp3")) ? TrackFlag : 0);
    }
    endResetModel();
}

void ScoreListModel::updateRecord(int number)
{
    const int count = std::clamp<int>(m_document.catalogue().scoreCount(), 0, ScoreCatalogue::SlotCount - 1);
    if (count > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, count - 1);
        const int first = m_rows;
        m_rows = count;
        m_cache.resize(m_rows);
        for (auto &keys : m_sortKeys) {
            if (!keys.empty())
                keys.resize(m_rows);
        }
        for (int row = first; row < m_rows; ++row)
            readFiles(row);
        endInsertRows();
    } else if (count < m_rows) {
        beginRemoveRows(QModelIndex(), count, m_rows - 1);
        m_rows = count;
        m_cache.resize(m_rows);
        for (auto &keys : m_sortKeys) {
            if (!keys.empty())
                keys.resize(m_rows);
        }
        endRemoveRows();
    }
    const int row = rowOf(number);
    if (row < 0 || row >= m_rows)
        return;
    m_cache[row].folded.reset();
    for (auto &keys : m_sortKeys) {
        if (!keys.empty())
            keys[row].reset();
    }
    // An undone attach brings back other files, and announces only the record.
    readFiles(row);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void ScoreListModel::readFiles(int row)
{
    const int number = numberAt(row);
    m_cache[row].files = (paths::isPresentFile(m_document.folder().leftPage(number)) ? LeftFlag : 0)
                         | (paths::isPresentFile(m_document.folder().rightPage(number)) ? RightFlag : 0)
                         | (paths::isPresentFile(m_document.folder().track(number)) ? TrackFlag : 0);
}

void ScoreListModel::updateFiles(int number)
{
    const int row = rowOf(number);
    if (row < 0 || row >= m_rows)
        return;
    readFiles(row);
    // An attach may also change the category.
    m_cache[row].folded.reset();
    if (!m_sortKeys[Category].empty())
        m_sortKeys[Category][row].reset();
    emit dataChanged(index(row, Category), index(row, ColumnCount - 1));
}

int ScoreListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ScoreListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ScoreListModel::categoryText(int row) const
{
    const QString &code = m_document.catalogue().category(numberAt(row));
    const int k = categoryCode(code);
    if (k == 0 || code.isEmpty())
        return {};
    if (k >= 1 && k <= ScoreCatalogue::CategoryCount && !m_document.categoryName(k).isEmpty())
        return m_document.categoryName(k);
    return code;
}

QString ScoreListModel::text(int row, int column) const
{
    const ScoreCatalogue &catalogue = m_document.catalogue();
    const int number = numberAt(row);
    switch (column) {
    case Title:
        return catalogue.title(number);
    case Author:
        return catalogue.author(number);
    case Tags:
        return catalogue.tags(number);
    case Category:
        return categoryText(row);
    default:
        return {};
    }
}

QVariant ScoreListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = index.row();
    const int column = index.column();
    const unsigned char flags = m_cache[row].files;
    const unsigned char flag = column == LeftPage ? LeftFlag : column == RightPage ? RightFlag : TrackFlag;
    if (role == Qt::DisplayRole || role == SortRole) {
        if (column == Number)
            return numberAt(row);
        if (column >= LeftPage)
            return role == SortRole ? QVariant(int((flags & flag) != 0))
                                    : QVariant((flags & flag) ? QStringLiteral("✓") : QString());
        return text(row, column);
    }
    if (role == Qt::TextAlignmentRole)
        return int(column == Number ? Qt::AlignRight | Qt::AlignVCenter
                   : column >= LeftPage ? Qt::AlignCenter
                                        : Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::AccessibleTextRole && column >= LeftPage) {
        static const QString names[] = {QStringLiteral("pagina di sinistra"), QStringLiteral("pagina di destra"),
                                        QStringLiteral("base")};
        return names[column - LeftPage] + ((flags & flag) ? QStringLiteral(" presente") : QStringLiteral(" assente"));
    }
    return {};
}

QVariant ScoreListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QString titles[] = {QStringLiteral("N."), QStringLiteral("Titolo"), QStringLiteral("Autore"),
                                     QStringLiteral("Tag"), QStringLiteral("Categoria"), QStringLiteral("S"),
                                     QStringLiteral("D"), QStringLiteral("B")};
    static const QString tips[] = {QStringLiteral("Numero dello spartito"), {}, {}, {}, {},
                                   QStringLiteral("Pagina di sinistra"), QStringLiteral("Pagina di destra"),
                                   QStringLiteral("Base Mp3")};
    if (role == Qt::DisplayRole)
        return titles[section];
    if (role == Qt::ToolTipRole && !tips[section].isEmpty())
        return tips[section];
    return {};
}

const QString &ScoreListModel::foldedText(int row) const
{
    std::optional<QString> &folded = m_cache[row].folded;
    if (!folded) {
        const ScoreCatalogue &catalogue = m_document.catalogue();
        const int number = numberAt(row);
        folded = ScoreSearch::fold(catalogue.title(number)) + QLatin1Char('\n')
                 + ScoreSearch::fold(catalogue.author(number)) + QLatin1Char('\n')
                 + ScoreSearch::fold(catalogue.tags(number));
    }
    return *folded;
}

bool ScoreListModel::hasLeftPage(int row) const { return m_cache[row].files & LeftFlag; }
bool ScoreListModel::hasRightPage(int row) const { return m_cache[row].files & RightFlag; }
bool ScoreListModel::hasTrack(int row) const { return m_cache[row].files & TrackFlag; }

bool ScoreListModel::hasCategory(int row) const
{
    const QString &code = m_document.catalogue().category(numberAt(row));
    return !code.isEmpty() && code != QLatin1String("0");
}

const QCollatorSortKey &ScoreListModel::sortKey(int row, int column) const
{
    std::vector<std::optional<QCollatorSortKey>> &keys = m_sortKeys[column];
    if (keys.empty())
        keys.resize(m_rows);
    std::optional<QCollatorSortKey> &key = keys[row];
    if (!key)
        key.emplace(m_collator.sortKey(text(row, column)));
    return *key;
}

bool ScoreListModel::lessThan(int leftRow, int rightRow, int column) const
{
    if (column == Number)
        return leftRow < rightRow;
    if (column >= LeftPage) {
        const unsigned char flag = column == LeftPage ? LeftFlag : column == RightPage ? RightFlag : TrackFlag;
        return (m_cache[leftRow].files & flag) < (m_cache[rightRow].files & flag);
    }
    const int order = sortKey(leftRow, column).compare(sortKey(rightRow, column));
    // Equal texts keep the numbers' order, so that a sort never shuffles them.
    return order != 0 ? order < 0 : leftRow < rightRow;
}

} // namespace spartiti
