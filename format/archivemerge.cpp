#include "archivemerge.h"

#include <algorithm>
#include <vector>

namespace spartiti {

namespace {

using Field = ScoreCatalogue::Field;
constexpr Field EditableFields[] = {Field::Title, Field::Author, Field::Tags, Field::Category};

// What the archive holds of a value: an empty category is written as "0".
QString written(const ScoreCatalogue &catalogue, Field field, int number)
{
    const QString &value = catalogue.value(field, number);
    return field == Field::Category && value.isEmpty() ? QStringLiteral("0") : value;
}

// A record's editable fields as one string, to tell whether two records are the same.
QString recordKey(const ScoreCatalogue &catalogue, int number)
{
    QString key;
    for (const Field field : EditableFields)
        key += written(catalogue, field, number) + QChar(0x1f);
    return key;
}

void appendRecord(ScoreCatalogue &target, const ScoreCatalogue &source, int number)
{
    const int at = target.scoreCount() + 1;
    target.setScoreCount(at);
    target.setValue(Field::Number, at, QString::number(at));
    for (const Field field : EditableFields)
        target.setValue(field, at, source.value(field, number));
}

} // namespace

QList<int> alignRecords(const ScoreCatalogue &base, const ScoreCatalogue &theirs)
{
    const int n = base.scoreCount();
    const int m = theirs.scoreCount();
    QStringList a, b;
    for (int k = 1; k <= n; ++k)
        a.append(recordKey(base, k));
    for (int k = 1; k <= m; ++k)
        b.append(recordKey(theirs, k));
    QList<int> at(n + 1, 0);
    // Reorganisations change one stretch of the catalogue: the records before and after
    // it are matched first, the longest common subsequence is sought only in between.
    int head = 0;
    while (head < n && head < m && a[head] == b[head]) {
        at[head + 1] = head + 1;
        ++head;
    }
    int tail = 0;
    while (tail < n - head && tail < m - head && a[n - 1 - tail] == b[m - 1 - tail]) {
        at[n - tail] = m - tail;
        ++tail;
    }
    const int rows = n - head - tail;
    const int cols = m - head - tail;
    std::vector<quint16> common(size_t(rows + 1) * size_t(cols + 1), 0);
    const auto cell = [&](int i, int j) -> quint16 & { return common[size_t(i) * size_t(cols + 1) + size_t(j)]; };
    for (int i = rows - 1; i >= 0; --i)
        for (int j = cols - 1; j >= 0; --j)
            cell(i, j) = a[head + i] == b[head + j] ? quint16(cell(i + 1, j + 1) + 1)
                                                    : std::max(cell(i + 1, j), cell(i, j + 1));
    // Between two matched records, records changed on the other side: paired in order
    // when both sides have as many there, otherwise by their title, else by their author;
    // a record left without a partner was deleted on the other side.
    int gapBase = 0;
    int gapTheirs = 0;
    const auto pairGap = [&](int endBase, int endTheirs) {
        const bool sameSize = endBase - gapBase == endTheirs - gapTheirs;
        int j = gapTheirs;
        for (int i = gapBase; i < endBase && j < endTheirs; ++i) {
            const int k = head + i + 1;
            for (int t = j; t < endTheirs; ++t) {
                if (sameSize || base.title(k) == theirs.title(head + t + 1)
                    || base.author(k) == theirs.author(head + t + 1)) {
                    at[k] = head + t + 1;
                    j = t + 1;
                    break;
                }
            }
        }
    };
    int i = 0;
    int j = 0;
    while (i < rows && j < cols) {
        if (a[head + i] == b[head + j]) {
            pairGap(i, j);
            at[head + i + 1] = head + j + 1;
            gapBase = ++i;
            gapTheirs = ++j;
        } else if (cell(i + 1, j) >= cell(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    pairGap(rows, cols);
    return at;
}

ArchiveMerge mergeEdits(const ScoreCatalogue &base, const ScoreCatalogue &mine, const ScoreCatalogue &theirs)
{
    ArchiveMerge merge;
    merge.keepingMine = theirs;
    merge.keepingTheirs = theirs;
    QList<int> toAppend;
    const QList<int> there = alignRecords(base, theirs);
    const int common = std::min<int>(base.scoreCount(), mine.scoreCount());
    for (int k = 1; k <= common; ++k) {
        bool editedHere = false;
        const int t = there[k];   // where the record stands on disk, 0 if deleted there
        for (const Field field : EditableFields) {
            const QString before = written(base, field, k);
            const QString here = written(mine, field, k);
            if (here == before)
                continue;
            editedHere = true;
            if (t == 0)
                continue;
            const QString onDisk = written(theirs, field, t);
            merge.keepingMine.setValue(field, t, mine.value(field, k));
            if (onDisk == before || onDisk == here)
                merge.keepingTheirs.setValue(field, t, mine.value(field, k));
            else
                merge.conflicts.append({t, field, here, onDisk});
        }
        if (editedHere && t == 0)
            toAppend.append(k);
    }
    for (int k = base.scoreCount() + 1; k <= mine.scoreCount(); ++k)
        toAppend.append(k);
    for (const int k : toAppend) {
        appendRecord(merge.keepingMine, mine, k);
        appendRecord(merge.keepingTheirs, mine, k);
        merge.moved.append({k, int(merge.keepingMine.scoreCount())});
    }
    return merge;
}

QString describeConflicts(const QList<MergeConflict> &conflicts, int limit)
{
    QStringList lines;
    for (const MergeConflict &c : conflicts.mid(0, limit))
        lines.append(QStringLiteral("Spartito %1, %2: qui «%3», sul disco «%4»")
                         .arg(c.number)
                         .arg(ScoreCatalogue::fieldName(c.field), c.mine, c.theirs));
    if (conflicts.size() > limit)
        lines.append(QStringLiteral("… e altri %1.").arg(conflicts.size() - limit));
    return lines.join(QLatin1Char('\n'));
}

} // namespace spartiti
