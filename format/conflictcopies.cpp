#include "conflictcopies.h"

#include "archive.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace spartiti {

bool isConflictCopyOf(const QString &fileName, const QString &original)
{
    const int dot = int(original.lastIndexOf(QLatin1Char('.')));
    if (dot <= 0 || !fileName.startsWith(original.left(dot), Qt::CaseInsensitive)
        || !fileName.endsWith(original.mid(dot), Qt::CaseInsensitive))
        return false;
    static const QRegularExpression marks(QStringLiteral("^(?:\\.sync-conflict-[^/]+|_conflict-[^/]+| \\([^/]*conflict[^/]*\\))$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString mark = fileName.mid(dot, fileName.size() - original.size());
    return fileName.size() > original.size() && marks.match(mark).hasMatch();
}

bool isConflictCopyName(const QString &fileName)
{
    return isConflictCopyOf(fileName, QStringLiteral("archivio.js"));
}

QStringList findConflictCopies(const QString &dataFolder)
{
    QStringList found;
    const QFileInfoList entries = QDir(dataFolder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Time | QDir::Reversed);
    for (const QFileInfo &entry : entries) {
        if (isConflictCopyName(entry.fileName()))
            found.append(entry.absoluteFilePath());
    }
    return found;
}

int catalogueDistance(const ScoreCatalogue &a, const ScoreCatalogue &b)
{
    const int common = std::min<int>(a.scoreCount(), b.scoreCount());
    int distance = std::abs(a.scoreCount() - b.scoreCount()) * (ScoreCatalogue::FieldCount - 1);
    for (int k = 1; k <= common; ++k) {
        for (int f = 1; f < ScoreCatalogue::FieldCount; ++f) {
            const auto field = ScoreCatalogue::Field(f);
            if (a.value(field, k) != b.value(field, k))
                ++distance;
        }
    }
    return distance;
}

QList<ScoreCatalogue> knownVersions(const ScoreCatalogue &lastKnown, const QStringList &backupPaths)
{
    QList<ScoreCatalogue> versions{lastKnown};
    for (const QString &path : backupPaths) {
        QByteArray bytes;
        ScoreCatalogue version;
        if (!readArchiveBytes(path, bytes) && !loadArchiveBytes(version, bytes, path))
            versions.append(std::move(version));
    }
    return versions;
}

ScoreCatalogue chooseMergeBase(const QList<ScoreCatalogue> &known, const ScoreCatalogue &theirs)
{
    const ScoreCatalogue *best = nullptr;
    int bestDistance = 0;
    for (const ScoreCatalogue &candidate : known) {
        const int distance = catalogueDistance(candidate, theirs);
        if (!best || distance < bestDistance) {
            best = &candidate;
            bestDistance = distance;
        }
    }
    return best ? *best : known.value(0);
}

} // namespace spartiti
