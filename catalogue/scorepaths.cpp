#include "scorepaths.h"

#include <QFileInfo>

namespace spartiti::paths {

QString dataFolder() { return QStringLiteral("spartiti"); }
QString audioFolder() { return QStringLiteral("spartiti/audio"); }
QString archive() { return QStringLiteral("./spartiti/archivio.js"); }
QString categoryList() { return QStringLiteral("./spartiti/generi.js"); }
QString placeholderPage() { return QStringLiteral("spartiti/m.jpg"); }

QString scoreNumberText(int number)
{
    return QString::number(number);
}

QString leftPage(int number)
{
    return dataFolder() + QLatin1Char('/') + scoreNumberText(number) + QStringLiteral("L.jpg");
}

QString rightPage(int number)
{
    return dataFolder() + QLatin1Char('/') + scoreNumberText(number) + QStringLiteral("R.jpg");
}

QString track(int number)
{
    return audioFolder() + QLatin1Char('/') + scoreNumberText(number) + QStringLiteral(".mp3");
}

bool isPresentFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

} // namespace spartiti::paths
