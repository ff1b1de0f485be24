#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QString>

#include <optional>
#include <vector>

namespace spartiti {

class CatalogueDocument;

// Every score of the catalogue as one row of a table: row r is score r + 1. The model
// follows the document's signals: an edit, "+", an attach or their undo change one row
// (or add or remove the last ones); only a catalogue read or renumbered as a whole
// resets it. Whether a score's pages and track exist is read once per row and kept
// until that score's files change.
class ScoreListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, Title, Author, Tags, Category, LeftPage, RightPage, Track, ColumnCount };

    // What the sorting compares: the number as a number, the presence columns as 0 or
    // 1, the texts through the Italian collation (see lessThan).
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit ScoreListModel(CatalogueDocument &document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static int numberAt(int row) { return row + 1; }
    static int rowOf(int number) { return number - 1; }

    // For the filter: title, author and tags folded as the search folds them, and the
    // score's files.
    const QString &foldedText(int row) const;
    bool hasLeftPage(int row) const;
    bool hasRightPage(int row) const;
    bool hasTrack(int row) const;
    bool hasCategory(int row) const;

    // Row order in a column: numbers as numbers, text with the Italian collation.
    bool lessThan(int leftRow, int rightRow, int column) const;

    // The category's name from the category list; empty for none, the code itself when
    // the list has no name for it.
    QString categoryText(int row) const;

private:
    enum FileFlag : unsigned char { LeftFlag = 1, RightFlag = 2, TrackFlag = 4 };
    struct RowCache
    {
        std::optional<QString> folded;
        unsigned char files = 0;
    };

    void reset();
    void updateRecord(int number);
    void updateFiles(int number);
    void readFiles(int row);
    QString text(int row, int column) const;
    const QCollatorSortKey &sortKey(int row, int column) const;

    CatalogueDocument &m_document;
    int m_rows = 0;
    mutable std::vector<RowCache> m_cache;
    // Sort keys of the text columns, made when a column is first sorted: comparing two
    // keys is much cheaper than collating two strings.
    mutable std::vector<std::vector<std::optional<QCollatorSortKey>>> m_sortKeys;
    QCollator m_collator;
};

} // namespace spartiti
