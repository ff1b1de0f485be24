#include "categorylist.h"

#include "filecause.h"
#include "itemreader.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace spartiti {

std::optional<Error> parseCategoryList(QByteArrayView bytes, CategoryNames &names,
                                       const QString &path)
{
    const int needed = 1 + 2 * int(names.size());
    ItemReader reader(bytes);
    CategoryNames read;
    int items = 0;
    auto nextItem = [&]() -> std::optional<QByteArrayView> {
        auto item = reader.next();
        if (item)
            ++items;
        return item;
    };
    bool complete = bool(nextItem());
    for (QString &name : read) {
        if (!complete)
            break;
        const auto item = nextItem();
        complete = item && nextItem();
        if (item)
            name = windows1252::decode(*item);
    }
    if (!complete)
        return Error{Error::Kind::InputPastEnd,
                     QStringLiteral("Impossibile leggere l'elenco delle categorie \"%1\": il file "
                                    "finisce prima del previsto (contiene %2 voci, ne servono %3 "
                                    "per 33 categorie).")
                         .arg(QDir::toNativeSeparators(QDir::cleanPath(path)))
                         .arg(items)
                         .arg(needed)};
    names = std::move(read);
    return std::nullopt;
}

std::optional<Error> readCategoryList(const QString &path, CategoryNames &names)
{
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(path));
    const QFileInfo info(path);
    if (!info.dir().exists())
        return Error{Error::Kind::PathNotFound,
                     QStringLiteral("Impossibile aprire l'elenco delle categorie \"%1\": la cartella "
                                    "\"%2\" non esiste.")
                         .arg(shown, QDir::toNativeSeparators(info.dir().path()))};
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return Error{info.exists() ? Error::Kind::Io : Error::Kind::FileNotFound,
                     QStringLiteral("Impossibile aprire l'elenco delle categorie \"%1\": %2.")
                         .arg(shown, info.exists() ? fileErrorCause(file, errno)
                                                   : QStringLiteral("il file non esiste"))};
    const QByteArray bytes = file.readAll();
    return parseCategoryList(bytes, names, path);
}

} // namespace spartiti
