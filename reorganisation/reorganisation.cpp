#include "reorganisation.h"

#include <QDir>

namespace spartiti {

namespace {

using Field = ScoreCatalogue::Field;

const QString DeletedFolder = QStringLiteral("eliminati");
const QString NoteName = QStringLiteral("spartito.txt");

// The files of score `number`, relative to the data folder: left page, right page, track.
std::array<QString, 3> filesOf(int number)
{
    const QString n = QString::number(number);
    return {n + QStringLiteral("L.jpg"), n + QStringLiteral("R.jpg"),
            QStringLiteral("audio/") + n + QStringLiteral(".mp3")};
}

QString baseName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

Error refused(const QString &text, Error::Kind kind = Error::Kind::Index)
{
    return {kind, text};
}

QByteArray noteFor(const ScoreCatalogue &catalogue, int number, const QDateTime &now,
                   const QStringList &files)
{
    const QString text =
        QStringLiteral("Questi file appartenevano allo spartito numero %1, eliminato il %2.\r\n"
                       "Titolo: %3\r\nAutore: %4\r\nTag: %5\r\nCategoria: %6\r\nFile: %7\r\n")
            .arg(number)
            .arg(now.toString(QStringLiteral("dd/MM/yyyy 'alle' HH:mm:ss")), catalogue.title(number),
                 catalogue.author(number), catalogue.tags(number), catalogue.category(number),
                 files.join(QStringLiteral(", ")));
    return text.toUtf8();
}

} // namespace

QSet<QString> listDataFolder(const QString &dataFolder, const QString &restoreFolder)
{
    QSet<QString> names;
    QStringList folders{QString(), QStringLiteral("audio/"), DeletedFolder + QLatin1Char('/')};
    if (!restoreFolder.isEmpty())
        folders.append(restoreFolder + QLatin1Char('/'));
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString &sub : std::as_const(folders))
        for (const QString &name : QDir(dataFolder + QLatin1Char('/') + sub).entryList(filters, QDir::Unsorted))
            names.insert(sub + name);
    return names;
}

std::optional<Error> planReorganisation(const ScoreCatalogue &catalogue, const QSet<QString> &names,
                                        const Reorganisation &operation, const QDateTime &now,
                                        ReorganisationPlan &plan, ScoreCatalogue &after)
{
    using Kind = Reorganisation::Kind;
    const int n = catalogue.scoreCount();
    const int k = operation.number;
    // The records that come in with their files: a restore's (one or several), an import's.
    QList<ArchiveRecord> incoming;
    if (operation.kind == Kind::Restore)
        incoming = operation.records.isEmpty() ? QList<ArchiveRecord>{operation.record} : operation.records;
    else if (operation.kind == Kind::Import)
        incoming = operation.records;
    const int added = operation.kind == Kind::Insert ? 1 : int(incoming.size());
    const bool adds = operation.kind != Kind::Delete && operation.kind != Kind::Move;
    const int removed = operation.kind == Kind::Delete ? std::max(operation.count, 1) : 0;
    const int lastAllowed = adds ? n + 1 : n - removed + 1;
    if (k < 1 || k > lastAllowed)
        return refused(QStringLiteral("Lo spartito numero %1 non esiste: i numeri vanno da 1 a %2.")
                           .arg(k)
                           .arg(lastAllowed));
    if (adds && added < 1)
        return refused(QStringLiteral("Non c'è nessuno spartito da aggiungere."));
    if (adds && n + added > ScoreCatalogue::MaxArchiveRecords)
        return refused(QStringLiteral("L'archivio può contenere al massimo %1 titoli: non c'è posto "
                                      "per %2.")
                           .arg(ScoreCatalogue::MaxArchiveRecords)
                           .arg(added == 1 ? QStringLiteral("un altro spartito")
                                           : QStringLiteral("altri %1 spartiti (ne contiene già %2)").arg(added).arg(n)),
                       Error::Kind::TooManyRecords);
    if (operation.kind == Kind::Move && (operation.target < 1 || operation.target > n))
        return refused(QStringLiteral("Il numero %1 non esiste: i numeri vanno da 1 a %2.")
                           .arg(operation.target)
                           .arg(n));

    // Where each new slot's record and files come from: an old number, 0 for a new empty
    // score, -(i + 1) for incoming record i. Old numbers that appear nowhere are deleted.
    QList<int> source{0};
    for (int s = 1; s <= n; ++s)
        source.append(s);
    const QString range = QStringLiteral("%1-%2").arg(k).arg(k + std::max(removed, added) - 1);
    ReorganisationSteps steps;
    switch (operation.kind) {
    case Kind::Delete:
        source.remove(k, removed);
        steps.description = removed == 1 ? QStringLiteral("eliminazione dello spartito %1").arg(k)
                                         : QStringLiteral("eliminazione degli spartiti %1").arg(range);
        plan.inverse = Reorganisation::make(Kind::Restore, k);
        for (int d = k; d < k + removed; ++d) {
            ArchiveRecord record;
            for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
                record[f] = catalogue.value(Field(f), d);
            if (removed == 1)
                plan.inverse.record = record;
            else
                plan.inverse.records.append(record);
        }
        plan.shownAfter = std::min(k, n - removed);
        break;
    case Kind::Insert:
    case Kind::Restore:
    case Kind::Import:
        for (int i = added; i >= 1; --i)
            source.insert(k, operation.kind == Kind::Insert ? 0 : -i);
        steps.description =
            operation.kind == Kind::Insert ? QStringLiteral("inserimento di uno spartito vuoto al numero %1").arg(k)
            : operation.kind == Kind::Import
                ? QStringLiteral("importazione di %1 al numero %2")
                      .arg(added == 1 ? QStringLiteral("uno spartito") : QStringLiteral("%1 spartiti").arg(added))
                      .arg(k)
            : added == 1 ? QStringLiteral("ripristino dello spartito %1 eliminato").arg(k)
                         : QStringLiteral("ripristino degli spartiti %1 eliminati").arg(range);
        plan.inverse = Reorganisation::deletion(k, added);
        plan.shownAfter = k;
        break;
    case Kind::Move:
        source.move(k, operation.target);
        steps.description = QStringLiteral("spostamento dello spartito %1 al numero %2").arg(k).arg(operation.target);
        plan.inverse = Reorganisation::move(operation.target, k);
        plan.shownAfter = operation.target;
        break;
    }
    const int newCount = int(source.size()) - 1;
    steps.id = now.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));

    // The records, renumbered; the empty slot past the last keeps what was typed into it.
    after = catalogue;
    for (int s = 1; s <= newCount; ++s) {
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f) {
            const auto field = Field(f);
            QString value;
            if (source[s] > 0)
                value = catalogue.value(field, source[s]);
            else if (source[s] < 0)
                value = incoming[-source[s] - 1][f];
            after.setValue(field, s, field == Field::Number ? QString::number(s) : value);
        }
    }
    for (int f = 0; f < ScoreCatalogue::FieldCount; ++f) {
        after.setValue(Field(f), newCount + 1, catalogue.value(Field(f), n + 1));
        for (int s = newCount + 2; s <= n + 1; ++s)
            after.setValue(Field(f), s, QString());
    }
    after.setScoreCount(newCount);
    if (auto error = encodeArchive(after, steps.newArchive))
        return error;

    auto addMove = [&](const QString &from, const QString &to) {
        steps.moves.append({from,
                            folderOf(from) + QStringLiteral(".riordino-%1-%2").arg(steps.id).arg(steps.moves.size()),
                            to});
    };
    for (int s = 1; s <= newCount; ++s) {
        const auto targets = filesOf(s);
        if (source[s] > 0 && source[s] != s) {
            const auto sources = filesOf(source[s]);
            for (int i = 0; i < 3; ++i)
                if (names.contains(sources[i]))
                    addMove(sources[i], targets[i]);
        } else if (source[s] < 0 && !operation.folder.isEmpty()) {
            // A restore's files keep the numbers they had, an import's are numbered from 1.
            const int index = -source[s] - 1;
            const auto kept = filesOf(operation.kind == Kind::Import ? index + 1 : k + index);
            for (int i = 0; i < 3; ++i) {
                const QString from = operation.folder + QLatin1Char('/') + baseName(kept[i]);
                if (names.contains(from))
                    addMove(from, targets[i]);
            }
        }
    }
    if (operation.kind == Kind::Restore && !operation.folder.isEmpty()) {
        steps.removedAfter = {operation.folder + QLatin1Char('/') + NoteName, operation.folder, DeletedFolder};
    }
    if (operation.kind == Kind::Import && !operation.folder.isEmpty())
        steps.removedAfter = {operation.folder};
    if (operation.kind == Kind::Delete) {
        QStringList files;
        QByteArray note;
        for (int d = k; d < k + removed; ++d) {
            QStringList own;
            for (const QString &file : filesOf(d))
                if (names.contains(file))
                    own.append(file);
            if (own.isEmpty())
                continue;
            QStringList baseNames;
            for (const QString &file : std::as_const(own))
                baseNames.append(baseName(file));
            note += noteFor(catalogue, d, now, baseNames);
            files += own;
        }
        if (!files.isEmpty()) {
            const QString stamp = DeletedFolder + QLatin1Char('/') + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
            steps.createdFolder = stamp;
            for (int i = 2; names.contains(steps.createdFolder); ++i)
                steps.createdFolder = stamp + QStringLiteral("-%1").arg(i);
            steps.notePath = steps.createdFolder + QLatin1Char('/') + NoteName;
            steps.note = note;
            for (const QString &file : std::as_const(files))
                addMove(file, steps.createdFolder + QLatin1Char('/') + baseName(file));
        }
        plan.inverse.folder = steps.createdFolder;
    }

    // Nothing may be replaced: every new name is free, or is itself moved away first.
    QSet<QString> moved;
    for (const FileMove &move : std::as_const(steps.moves))
        moved.insert(move.from);
    for (const FileMove &move : std::as_const(steps.moves)) {
        if (names.contains(move.to) && !moved.contains(move.to))
            return refused(QStringLiteral("Impossibile completare l'operazione (%1): il file "
                                          "\"%2\" della cartella dell'archivio esiste già e non appartiene a nessuno "
                                          "spartito. Spostalo o rinominalo, poi riprova. Nulla è cambiato.")
                               .arg(steps.description, move.to),
                           Error::Kind::Io);
        if (names.contains(move.temporary))
            return refused(QStringLiteral("Impossibile completare l'operazione (%1): il nome "
                                          "\"%2\" della cartella dell'archivio è già usato. Nulla è cambiato.")
                               .arg(steps.description, move.temporary),
                           Error::Kind::Io);
    }
    plan.steps = std::move(steps);
    return std::nullopt;
}

} // namespace spartiti
