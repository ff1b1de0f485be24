#include "archivemerge.h"

#include <algorithm>

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

void appendRecord(ScoreCatalogue &target, const ScoreCatalogue &source, int number)
{
    const int at = target.scoreCount() + 1;
    target.setScoreCount(at);
    target.setValue(Field::Number, at, QString::number(at));
    for (const Field field : EditableFields)
        target.setValue(field, at, source.value(field, number));
}

} // namespace

ArchiveMerge mergeEdits(const ScoreCatalogue &base, const ScoreCatalogue &mine, const ScoreCatalogue &theirs)
{
    ArchiveMerge merge;
    merge.keepingMine = theirs;
    merge.keepingTheirs = theirs;
    QList<int> toAppend;
    const int common = std::min<int>(base.scoreCount(), mine.scoreCount());
    for (int k = 1; k <= common; ++k) {
        bool editedHere = false;
        for (const Field field : EditableFields) {
            const QString before = written(base, field, k);
            const QString here = written(mine, field, k);
            if (here == before)
                continue;
            editedHere = true;
            if (k > theirs.scoreCount())
                continue;
            const QString there = written(theirs, field, k);
            merge.keepingMine.setValue(field, k, mine.value(field, k));
            if (there == before || there == here)
                merge.keepingTheirs.setValue(field, k, mine.value(field, k));
            else
                merge.conflicts.append({k, field, here, there});
        }
        if (editedHere && k > theirs.scoreCount())
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
