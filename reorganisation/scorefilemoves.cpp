#include "scorefilemoves.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace

void planScoreFileMoves(const QList<QPair<int, int>> &moves, const QSet<QString> &owned,
                        const QString &dataFolder, ReorganisationSteps &steps, QStringList &problems)
{
    const QDir root(dataFolder);
    QList<FileMove> planned;
    QSet<QString> vacated;
    for (const auto &[from, to] : moves) {
        if (from == to)
            continue;
        const QStringList sources = filesOf(from);
        const QStringList targets = filesOf(to);
        for (int i = 0; i < 3; ++i) {
            if (!owned.contains(root.filePath(sources[i])) || !present(root.filePath(sources[i])))
                continue;
            const QString folder = QFileInfo(sources[i]).path();
            const QString temporary = (folder == QLatin1String(".") ? QString() : folder + QLatin1Char('/'))
                + QStringLiteral(".riordino-%1-%2").arg(steps.id).arg(planned.size());
            planned.append({sources[i], temporary, targets[i]});
            vacated.insert(sources[i]);
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
