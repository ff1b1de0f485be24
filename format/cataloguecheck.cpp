#include "cataloguecheck.h"

#include "archive.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace spartiti {

QString foldTitle(const QString &title)
{
    const QString decomposed = title.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isSpace() || c.category() == QChar::Mark_NonSpacing)
            continue;
        folded += c;
    }
    return folded.toCaseFolded();
}

namespace {

using Field = ScoreCatalogue::Field;

// Numbers that name files in a folder listing, read once rather than asked file by file.
struct FolderNames
{
    QSet<int> left, right;
    QList<std::pair<int, QString>> named;   // every file named after a number, with its name
};

FolderNames scan(const QString &folder, const QRegularExpression &pattern)
{
    FolderNames names;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const auto match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const int number = match.captured(1).toInt();
        // A name with leading zeros is never looked up: it belongs to no score.
        const bool canonical = match.captured(1) == QString::number(number);
        names.named.append({canonical ? number : -1, name});
        if (canonical && match.captured(2) == QLatin1String("L"))
            names.left.insert(number);
        if (canonical && match.captured(2) == QLatin1String("R"))
            names.right.insert(number);
    }
    return names;
}

} // namespace

QList<Finding> checkCatalogue(const ScoreCatalogue &catalogue, const QString &dataFolder)
{
    QList<Finding> findings;
    const int n = catalogue.scoreCount();
    if (n > ScoreCatalogue::MaxArchiveRecords)
        findings.append({Finding::Kind::TooMany, 0,
                         QStringLiteral("Ci sono %1 titoli: l'archivio ne può salvare al massimo %2.")
                             .arg(n)
                             .arg(ScoreCatalogue::MaxArchiveRecords)});

    const FolderNames pages = scan(dataFolder, QRegularExpression(QStringLiteral("^(\\d+)([LR])\\.jpg$")));
    const FolderNames tracks = scan(QDir(dataFolder).filePath(QStringLiteral("audio")),
                                    QRegularExpression(QStringLiteral("^(\\d+)()\\.mp3$")));
    for (const int number : pages.right) {
        if (number >= 1 && number <= n && !pages.left.contains(number))
            findings.append({Finding::Kind::LonelyPage, number,
                             QStringLiteral("Lo spartito %1 ha la pagina destra ma non la sinistra.").arg(number)});
    }
    for (const auto *names : {&pages, &tracks}) {
        const QString where = names == &pages ? QDir(dataFolder).dirName()
                                               : QDir(dataFolder).dirName() + QStringLiteral("/audio");
        for (const auto &[number, name] : names->named) {
            if (number >= 1 && number <= n)
                continue;
            findings.append({Finding::Kind::OrphanFile, 0,
                             number < 0 ? QStringLiteral("Il file %1/%2 non appartiene a nessuno spartito "
                                                         "(il numero non va scritto con zeri iniziali).")
                                              .arg(where, name)
                                        : QStringLiteral("Il file %1/%2 appartiene allo spartito %3, che non "
                                                         "esiste (l'archivio ne ha %4).")
                                              .arg(where, name)
                                              .arg(number)
                                              .arg(n)});
        }
    }

    QHash<QString, int> firstWithTitle;
    for (int k = 1; k <= std::min(n, ScoreCatalogue::SlotCount - 1); ++k) {
        const QString &title = catalogue.title(k);
        if (title.isEmpty()) {
            findings.append({Finding::Kind::EmptyTitle, k, QStringLiteral("Lo spartito %1 non ha titolo.").arg(k)});
        } else {
            const QString folded = foldTitle(title);
            const auto earlier = firstWithTitle.constFind(folded);
            if (earlier != firstWithTitle.constEnd())
                findings.append({Finding::Kind::RepeatedTitle, k,
                                 QStringLiteral("Lo spartito %1 ripete il titolo dello spartito %2: \"%3\".")
                                     .arg(k)
                                     .arg(*earlier)
                                     .arg(title)});
            else
                firstWithTitle.insert(folded, k);
        }

        const QString &category = catalogue.category(k);
        bool numeric = false;
        const int code = category.toInt(&numeric);
        if (!category.isEmpty() && (!numeric || code < 0 || code > 33 || category != QString::number(code)))
            findings.append({Finding::Kind::BadCategory, k,
                             QStringLiteral("Lo spartito %1 ha la categoria \"%2\", che non è tra 0 e 33.")
                                 .arg(k)
                                 .arg(category)});

        for (const Field field : {Field::Title, Field::Author, Field::Tags, Field::Category}) {
            if (const auto bad = firstUnwritable(catalogue.value(field, k)))
                findings.append({Finding::Kind::Unwritable, k,
                                 QStringLiteral("Il campo %1 dello spartito %2 contiene %3, che l'archivio "
                                                "non può salvare.")
                                     .arg(ScoreCatalogue::fieldName(field))
                                     .arg(k)
                                     .arg(describeUnwritable(*bad))});
        }
    }

    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return a.scoreNumber < b.scoreNumber;
    });
    return findings;
}

} // namespace spartiti
