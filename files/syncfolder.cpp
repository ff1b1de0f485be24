#include "syncfolder.h"

#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace spartiti {

namespace {

QString markerService(const QDir &dir)
{
    if (QFileInfo::exists(dir.filePath(QStringLiteral(".stfolder"))))
        return QStringLiteral("Syncthing");
    if (QFileInfo::exists(dir.filePath(QStringLiteral(".dropbox"))))
        return QStringLiteral("Dropbox");
    if (QFileInfo::exists(dir.filePath(QStringLiteral(".owncloudsync.log")))
        || !dir.entryList({QStringLiteral(".sync_*.db")}, QDir::Files | QDir::Hidden).isEmpty())
        return QStringLiteral("Nextcloud");
    return {};
}

QStringList rulesFor(const SyncFolder &sync, const QString &dataFolder)
{
    const QString relative = QDir(sync.root).relativeFilePath(dataFolder);
    const QString prefix = relative == QLatin1String(".") ? QStringLiteral("/") : QLatin1Char('/') + relative + QLatin1Char('/');
    QStringList rules;
    for (const char *name : {".archivio.lock", ".annulla", "backup", "riordino-in-corso.txt", "riordino-in-corso.txt.nuovo"})
        rules.append(prefix + QLatin1String(name));
    return rules;
}

QStringList currentRules(const QString &file)
{
    QFile rules(file);
    if (!rules.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray &line : rules.readAll().split('\n'))
        lines.append(QString::fromUtf8(line).trimmed());
    return lines;
}

} // namespace

SyncFolder SyncFolder::of(const QString &dataFolder)
{
    QDir dir(QDir::cleanPath(QDir(dataFolder).absolutePath()));
    for (;;) {
        const QString service = markerService(dir);
        if (!service.isEmpty())
            return {service, dir.path()};
        if (!dir.cdUp())
            return {};
    }
}

bool localStateIgnored(const SyncFolder &sync, const QString &dataFolder)
{
    if (sync.service != QLatin1String("Syncthing"))
        return false;
    const QStringList present = currentRules(QDir(sync.root).filePath(QStringLiteral(".stignore")));
    for (const QString &rule : rulesFor(sync, dataFolder))
        if (!present.contains(rule))
            return false;
    return true;
}

std::optional<Error> keepLocalStateOutOfSync(const SyncFolder &sync, const QString &dataFolder)
{
    if (sync.service != QLatin1String("Syncthing") || localStateIgnored(sync, dataFolder))
        return std::nullopt;
    const QString path = QDir(sync.root).filePath(QStringLiteral(".stignore"));
    QFile existing(path);
    QByteArray bytes = existing.open(QIODevice::ReadOnly) ? existing.readAll() : QByteArray();
    existing.close();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes += "// Archivio Spartiti: ciò che riguarda solo questo computer\n";
    const QStringList present = currentRules(path);
    for (const QString &rule : rulesFor(sync, dataFolder))
        if (!present.contains(rule))
            bytes += rule.toUtf8() + '\n';
    return replaceFileAtomically(path, bytes);
}

} // namespace spartiti
