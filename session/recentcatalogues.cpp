#include "recentcatalogues.h"

#include <QDir>
#include <QSettings>

namespace spartiti {

namespace {

const QString Key = QStringLiteral("cataloghi/recenti");

void store(const QStringList &folders)
{
    QSettings settings;
    settings.setValue(Key, folders);
    // Written now, not at exit: a catalogue counts as opened even if the program is
    // killed afterwards.
    settings.sync();
}

} // namespace

QStringList RecentCatalogues::folders() const
{
    return QSettings().value(Key).toStringList();
}

void RecentCatalogues::add(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList list = folders();
    list.removeAll(clean);
    list.prepend(clean);
    store(list.mid(0, Kept));
}

void RecentCatalogues::remove(const QString &folder)
{
    QStringList list = folders();
    list.removeAll(QDir::cleanPath(folder));
    store(list);
}

} // namespace spartiti
