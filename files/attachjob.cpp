#include "attachjob.h"

#include "catalogue.h"

#include <QFileInfo>

namespace spartiti {

namespace {

// A chosen file may have been deleted or replaced by a folder since it was chosen; then
// nothing is attached and the user is asked to choose again.
std::optional<Error> checkChosen(const QString &chosenPath, const QString &message)
{
    if (chosenPath.isEmpty() || !QFileInfo(chosenPath).isFile())
        return Error{Error::Kind::NoSelection, message};
    return std::nullopt;
}

// The score on show names the files and, for a track, the catalogue slot of its
// category, so it must be one of the catalogue's slots.
std::optional<Error> checkScore(int number)
{
    if (number < 0 || number >= ScoreCatalogue::SlotCount)
        return Error{Error::Kind::Index,
                     QStringLiteral("Lo spartito %1 non esiste: i numeri vanno da 0 a %2.")
                         .arg(number)
                         .arg(ScoreCatalogue::SlotCount - 1)};
    return std::nullopt;
}

// A cancel is the user's own choice and is told as it is.
Error explained(const Error &error, const QString &what)
{
    if (error.kind == Error::Kind::Cancelled)
        return error;
    return Error{error.kind, what + QLatin1Char(' ') + error.message};
}

} // namespace

std::optional<Error> AttachJob::prepare(Kind kind, const CatalogueFolder &folder, int number,
                                        const QString &chosenPath, int categoryCode, AttachJob &job)
{
    if (auto error = checkChosen(chosenPath, kind == Kind::Track
                                                 ? QStringLiteral("Prima devi selezionare un file mp3!")
                                                 : QStringLiteral("Prima devi selezionare un file!")))
        return error;
    if (kind == Kind::Track && (categoryCode < 1 || categoryCode > ScoreCatalogue::CategoryCount))
        return Error{Error::Kind::Index,
                     QStringLiteral("La categoria %1 non esiste.").arg(categoryCode)};
    if (auto error = checkScore(number))
        return error;
    job = AttachJob();
    job.m_kind = kind;
    job.m_folder = folder;
    job.m_number = number;
    job.m_category = categoryCode;
    job.m_source = chosenPath;
    return std::nullopt;
}

std::optional<Error> AttachJob::run(const CopyProgress &progress)
{
    m_written = m_succeeded = false;
    const int number = m_number;
    // The chosen file goes to the score's name for its kind; what failed is named per kind.
    const QString destination = m_kind == Kind::LeftPage ? m_folder.leftPage(number)
        : m_kind == Kind::RightPage                      ? m_folder.rightPage(number)
                                                         : m_folder.track(number);
    const QString notAttached = m_kind == Kind::LeftPage
        ? QStringLiteral("La pagina di sinistra dello spartito %1 non è stata allegata.")
        : m_kind == Kind::RightPage
        ? QStringLiteral("La pagina di destra dello spartito %1 non è stata allegata.")
        : QStringLiteral("La base mp3 dello spartito %1 non è stata allegata e la sua categoria non è cambiata.");
    if (auto error = copyFileAtomically(m_source, destination, progress))
        return explained(*error, notAttached.arg(number));
    m_written = true;
    // A new left page is shown beside the placeholder until its own right page comes.
    if (m_kind == Kind::LeftPage) {
        if (auto error = copyFileAtomically(m_folder.placeholderPage(), m_folder.rightPage(number)))
            return explained(*error, QStringLiteral("La pagina di sinistra dello spartito %1 è stata "
                                                    "allegata, ma la pagina di destra non è stata "
                                                    "sostituita dalla pagina segnaposto.")
                                         .arg(number));
    }
    m_succeeded = true;
    return std::nullopt;
}

} // namespace spartiti
