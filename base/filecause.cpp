#include "filecause.h"

#include <cerrno>
#include <cstring>

namespace spartiti {

namespace {

struct Cause
{
    int code;
    const char *italian;
    // How Qt words this cause itself, untranslated, besides strerror()'s own text.
    const char *qtText;
};

const Cause causes[] = {
    {ENOENT, "il file o la cartella non esiste", "No such file or directory"},
    {ENOTDIR, "una parte del percorso non è una cartella", nullptr},
    {EACCES, "permesso negato", "Permission denied"},
    {EPERM, "operazione non permessa", nullptr},
    {EROFS, "il disco è in sola lettura", nullptr},
    {ENOSPC, "lo spazio sul disco è esaurito", "No space left on device"},
    {EDQUOT, "la quota di spazio sul disco assegnata all'utente è esaurita", nullptr},
    {EFBIG, "il file supera la dimensione massima consentita", nullptr},
    {EISDIR, "al suo posto c'è una cartella", nullptr},
    {EMFILE, "troppi file aperti", "Too many open files"},
    {ENFILE, "troppi file aperti nel sistema", nullptr},
    {EIO, "errore di lettura o scrittura del disco", nullptr},
    {ENAMETOOLONG, "il nome è troppo lungo", nullptr},
    {EEXIST, "esiste già un file con quel nome", nullptr},
    {EBUSY, "il file è in uso", nullptr},
    {EXDEV, "la destinazione è su un altro disco", nullptr},
};

QString systemWording(int code)
{
    return QString::fromLocal8Bit(std::strerror(code)).trimmed();
}

const Cause *byCode(int code)
{
    for (const Cause &cause : causes)
        if (cause.code == code)
            return &cause;
    return nullptr;
}

const Cause *byText(const QString &text)
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const Cause &cause : causes) {
        if (wanted.compare(systemWording(cause.code), Qt::CaseInsensitive) == 0
            || (cause.qtText && wanted.compare(QLatin1String(cause.qtText), Qt::CaseInsensitive) == 0))
            return &cause;
    }
    return nullptr;
}

} // namespace

QString fileErrorCause(int code, const QString &systemText)
{
    // The text was taken at the failure itself; errno may be a later call's.
    const Cause *cause = byText(systemText);
    if (!cause)
        cause = byCode(code);
    if (cause)
        return QString::fromUtf8(cause->italian);
    QString text = systemText.trimmed();
    if (text.isEmpty() && code != 0)
        text = systemWording(code);
    if (text.isEmpty())
        return QStringLiteral("errore sconosciuto del sistema");
    return QStringLiteral("errore del sistema (%1)").arg(text);
}

QString fileErrorCause(const QFileDevice &file, int code)
{
    const QString systemText = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    if (!byText(systemText) && !byCode(code) && file.error() == QFileDevice::PermissionsError)
        return fileErrorCause(EACCES);
    return fileErrorCause(code, systemText);
}

} // namespace spartiti
