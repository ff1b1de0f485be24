#include "attach.h"

#include "atomicfile.h"
#include "module1.h"
#include "scorepaths.h"

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

Error explained(const Error &error, const QString &what)
{
    return Error{error.kind, what + QLatin1Char(' ') + error.message};
}

QString noFileChosen() { return QStringLiteral("Prima devi selezionare un file!"); }

} // namespace

std::optional<Error> attachLeftPage(Module1 &state, const QString &chosenPath,
                                    bool *leftPageWritten)
{
    if (leftPageWritten)
        *leftPageWritten = false;
    if (auto error = checkChosen(chosenPath, noFileChosen()))
        return error;
    const int number = state.currentNumber();
    if (auto error = checkScore(number))
        return error;
    if (auto error = copyFileAtomically(chosenPath, paths::leftPage(number)))
        return explained(*error, QStringLiteral("La pagina di sinistra dello spartito %1 non è "
                                                "stata allegata.")
                                     .arg(number));
    if (leftPageWritten)
        *leftPageWritten = true;
    if (auto error = copyFileAtomically(paths::placeholderPage(), paths::rightPage(number)))
        return explained(*error, QStringLiteral("La pagina di sinistra dello spartito %1 è stata "
                                                "allegata, ma la pagina di destra non è stata "
                                                "sostituita dalla pagina segnaposto.")
                                     .arg(number));
    return std::nullopt;
}

std::optional<Error> attachRightPage(Module1 &state, const QString &chosenPath)
{
    if (auto error = checkChosen(chosenPath, noFileChosen()))
        return error;
    const int number = state.currentNumber();
    if (auto error = checkScore(number))
        return error;
    if (auto error = copyFileAtomically(chosenPath, paths::rightPage(number)))
        return explained(*error, QStringLiteral("La pagina di destra dello spartito %1 non è "
                                                "stata allegata.")
                                     .arg(number));
    return std::nullopt;
}

std::optional<Error> attachTrack(Module1 &state, const QString &chosenPath, int categoryCode)
{
    if (auto error = checkChosen(chosenPath, QStringLiteral("Prima devi selezionare un file mp3!")))
        return error;
    if (categoryCode < 1 || categoryCode > Module1::CategoryCount)
        return Error{Error::Kind::Index,
                     QStringLiteral("La categoria %1 non esiste.").arg(categoryCode)};
    const int number = state.currentNumber();
    if (auto error = checkScore(number))
        return error;
    if (auto error = copyFileAtomically(chosenPath, paths::track(number)))
        return explained(*error, QStringLiteral("La base mp3 dello spartito %1 non è stata "
                                                "allegata e la sua categoria non è cambiata.")
                                     .arg(number));
    const QString code = QString::number(categoryCode);
    state.catalogue.setValue(ScoreCatalogue::Field::Category, number, code);
    return std::nullopt;
}

} // namespace spartiti
