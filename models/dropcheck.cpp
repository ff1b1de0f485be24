#include "dropcheck.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace spartiti {

DropCheck checkDrop(const QList<QUrl> &urls, DropTarget target)
{
    const bool page = target != DropTarget::Track;
    const QString wrongKind = page ? QStringLiteral("Su una pagina si può trascinare solo un'immagine.")
                                   : QStringLiteral("Sulla base si può trascinare solo un file audio.");
    if (urls.size() > 1)
        return {{}, QStringLiteral("Trascina un solo file alla volta.")};
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {{}, wrongKind};
    const QString path = urls.first().toLocalFile();
    const QFileInfo info(path);
    if (info.isDir())
        return {{}, QStringLiteral("Una cartella non si può allegare: trascina un file.")};
    if (!info.isFile())
        return {{}, QStringLiteral("Il file non esiste più: %1").arg(info.fileName())};
    // By the name first, as the file manager does, then by the content.
    const QString type = QMimeDatabase().mimeTypeForFile(info).name();
    if (!type.startsWith(page ? QLatin1String("image/") : QLatin1String("audio/")))
        return {{}, wrongKind};
    return {path, {}};
}

} // namespace spartiti
