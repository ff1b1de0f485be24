#include "scorefilemoves.h"

#include "conflictcopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

namespace spartiti {

namespace {

QStringList filesOf(int number)
{
    const QString n = QString::number(number);
    return {n + QStringLiteral("L.jpg"), n + QStringLiteral("R.jpg"), QStringLiteral("audio/") + n + QStringLiteral(".mp3")};
}

bool present(const QString &path)
{
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// The sync service's conflict copies of `relative`, relative to the data folder. Each
// folder is listed once, into `listed`: a large catalogue holds thousands of files.
QStringList conflictCopiesOf(const QDir &root, const QString &relative, QHash<QString, QStringList> &listed)
{
    const QFileInfo name(relative);
    const QString folder = name.path() == QLatin1String(".") ? QString() : name.path() + QLatin1Char('/');
    auto entries = listed.find(name.path());
    if (entries == listed.end())
        entries = listed.insert(name.path(), QDir(root.filePath(name.path()))
                                                 .entryList(QDir::Files | QDir::System | QDir::Hidden));
    QStringList copies;
    for (const QString &entry : std::as_const(*entries))
        if (isConflictCopyOf(entry, name.fileName()))
            copies.append(folder + entry);
    return copies;
}

} // namespace

quint64 inodeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
}

void planScoreFileMoves(const QList<QPair<int, int>> &moves, const QHash<QString, quint64> &owned,
                        const QString &dataFolder, ReorganisationSteps &steps, QStringList &problems)
{
    const QDir root(dataFolder);
    QList<FileMove> planned;
    QSet<QString> vacated;
    QHash<QString, QStringList> listed;
    const auto temporaryFor = [&](const QString &relative) {
        const QString folder = QFileInfo(relative).path();
        return (folder == QLatin1String(".") ? QString() : folder + QLatin1Char('/'))
            + QStringLiteral(".riordino-%1-%2").arg(steps.id).arg(planned.size());
    };
    for (const auto &[from, to] : moves) {
        if (from == to)
            continue;
        const QStringList sources = filesOf(from);
        const QStringList targets = filesOf(to);
        for (int i = 0; i < 3; ++i) {
            const auto written = owned.find(root.filePath(sources[i]));
            if (written == owned.end())
                continue;
            QString mine;
            QStringList others;
            if (present(root.filePath(sources[i])) && inodeOf(root.filePath(sources[i])) == *written)
                mine = sources[i];
            for (const QString &copy : conflictCopiesOf(root, sources[i], listed)) {
                if (mine.isEmpty() && inodeOf(root.filePath(copy)) == *written)
                    mine = copy;
                else
                    others.append(copy);
            }
            if (mine.isEmpty())
                continue;
            planned.append({mine, temporaryFor(mine), targets[i]});
            vacated.insert(mine);
            // The other side's file, set aside by the sync service, belongs to the score
            // that keeps this number.
            if (mine == sources[i] && others.size() == 1) {
                planned.append({others.first(), temporaryFor(others.first()), sources[i]});
                vacated.insert(others.first());
            }
        }
    }
    for (const FileMove &move : std::as_const(planned)) {
        if (present(root.filePath(move.to)) && !vacated.contains(move.to)) {
            problems.append(QStringLiteral("\"%1\" non è stato rinominato in \"%2\": al suo posto c'è già un file.")
                                .arg(QDir::toNativeSeparators(root.filePath(move.from)),
                                     QDir::toNativeSeparators(root.filePath(move.to))));
            continue;
        }
        steps.moves.append(move);
    }
}

} // namespace spartiti
