#include "cataloguefolder.h"

#include <QDir>
#include <QFileInfo>

namespace spartiti {

CatalogueFolder::CatalogueFolder(const QString &dataFolder)
    : m_root(dataFolder.isEmpty() ? QString() : QDir::cleanPath(QDir(dataFolder).absolutePath()))
{
}

CatalogueFolder CatalogueFolder::of(const QString &folder)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(QStringLiteral("archivio.js"))).isFile()
        || QDir::cleanPath(dir.absolutePath()).endsWith(QStringLiteral("/spartiti")))
        return CatalogueFolder(folder);
    return CatalogueFolder(dir.filePath(QStringLiteral("spartiti")));
}

QString CatalogueFolder::parentPath() const
{
    return QFileInfo(m_root).path();
}

QString CatalogueFolder::file(const QString &relative) const
{
    return m_root + QLatin1Char('/') + relative;
}

QString CatalogueFolder::audioFolder() const { return file(QStringLiteral("audio")); }
QString CatalogueFolder::archive() const { return file(QStringLiteral("archivio.js")); }
QString CatalogueFolder::categoryList() const { return file(QStringLiteral("generi.js")); }
QString CatalogueFolder::placeholderPage() const { return file(QStringLiteral("m.jpg")); }
QString CatalogueFolder::lockFile() const { return file(QStringLiteral(".archivio.lock")); }

QString CatalogueFolder::leftPage(int number) const
{
    return file(paths::scoreNumberText(number) + QStringLiteral("L.jpg"));
}

QString CatalogueFolder::rightPage(int number) const
{
    return file(paths::scoreNumberText(number) + QStringLiteral("R.jpg"));
}

QString CatalogueFolder::track(int number) const
{
    return file(QStringLiteral("audio/") + paths::scoreNumberText(number) + QStringLiteral(".mp3"));
}

bool CatalogueFolder::exists() const
{
    return !isNull() && QFileInfo(archive()).isFile();
}

namespace paths {

QString scoreNumberText(int number)
{
    return QString::number(number);
}

bool isPresentFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

} // namespace paths

} // namespace spartiti
