#pragma once

#include <QStringList>

namespace spartiti {

// The catalogues used last, newest first, kept in the user's settings (QSettings, under
// the freedesktop config folder): each the folder that holds its `spartiti` folder.
class RecentCatalogues
{
public:
    static constexpr int Kept = 8;

    QStringList folders() const;
    // A catalogue just opened goes first; the list keeps the newest eight.
    void add(const QString &folder);
    void remove(const QString &folder);
};

} // namespace spartiti
