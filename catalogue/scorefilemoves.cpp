#include "scorefilemoves.h"

#include "atomicfile.h"
#include "catalogue.h"
#include "filecause.h"
#include "scorepaths.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

namespace spartiti {

QStringList moveScoreFiles(QList<QPair<int, int>> moves, const QSet<QString> &owned)
{
    moves.removeIf([](const QPair<int, int> &move) { return move.first == move.second; });
    // A score moving up goes before the ones below it that move up too, so that none
    // waits on a number still taken by the next one; downwards, the lowest goes first.
    const auto order = [](const QPair<int, int> &move) {
        return move.second > move.first ? -move.first : ScoreCatalogue::SlotCount + move.first;
    };
    std::sort(moves.begin(), moves.end(),
              [&](const QPair<int, int> &a, const QPair<int, int> &b) { return order(a) < order(b); });
    QStringList problems;
    for (const auto &[from, to] : moves) {
        const QString sources[] = {paths::leftPage(from), paths::rightPage(from), paths::track(from)};
        const QString targets[] = {paths::leftPage(to), paths::rightPage(to), paths::track(to)};
        for (int i = 0; i < 3; ++i) {
            if (!owned.contains(sources[i]) || !QFile::exists(sources[i]))
                continue;
            if (renameNoReplace(QFile::encodeName(sources[i]), QFile::encodeName(targets[i])) != 0)
                problems.append(QStringLiteral("\"%1\" non è stato rinominato in \"%2\": %3.")
                                    .arg(QDir::toNativeSeparators(sources[i]), QDir::toNativeSeparators(targets[i]),
                                         fileErrorCause(errno)));
        }
    }
    return problems;
}

} // namespace spartiti
