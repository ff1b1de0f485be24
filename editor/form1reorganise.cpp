// Menu Modifica: deleting, inserting and moving the score on show. The document renumbers
// the scores in between and renames their pages and tracks in one all-or-nothing step
// that writes the archive itself, so unsaved edits are saved first.

#include "cataloguedocument.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"

#include <QScrollBar>

namespace spartiti {

// The score on show may be reorganised: no copy is running, it is a score of the
// archive, and the archive holds every edit (saved now if the user agrees).
bool Form1::mayReorganise(int number, bool pastTheLastToo)
{
    if (m_document.attachRunning()) {
        m_notifier.warn(CatalogueDocument::attachBusyMessage());
        return false;
    }
    const int n = m_document.catalogue().scoreCount();
    if (number < 1 || number > n + (pastTheLastToo ? 1 : 0)) {
        m_notifier.warn(QStringLiteral("Lo spartito %1 non è ancora nell'archivio: i numeri vanno da 1 a %2.")
                            .arg(number)
                            .arg(n));
        return false;
    }
    if (!m_document.isModified())
        return true;
    if (!m_notifier.askYesNo(QStringLiteral("Ci sono modifiche non salvate. Questa operazione riscrive "
                                            "l'archivio: salvarle adesso?")))
        return false;
    return save();
}

void Form1::deleteScore()
{
    const int k = VScroll1->value();
    if (!mayReorganise(k, false))
        return;
    if (!m_notifier.askYesNo(QStringLiteral("Eliminare lo spartito %1 «%2»? Gli spartiti seguenti scalano "
                                            "di un numero; le sue pagine e la sua base vanno nella cartella "
                                            "spartiti/eliminati.")
                                 .arg(k)
                                 .arg(m_document.catalogue().title(k))))
        return;
    m_document.reorganise(Reorganisation::deletion(k));
}

void Form1::insertScore()
{
    const int k = VScroll1->value();
    if (!mayReorganise(k, true))
        return;
    m_document.reorganise(Reorganisation::insertion(k));
}

void Form1::moveScore()
{
    const int k = VScroll1->value();
    if (!mayReorganise(k, false))
        return;
    const int n = m_document.catalogue().scoreCount();
    const auto target = m_notifier.askNumber(
        QStringLiteral("Nuovo numero per lo spartito %1 «%2» (da 1 a %3):").arg(k).arg(m_document.catalogue().title(k)).arg(n),
        1, n, k);
    if (!target || *target == k)
        return;
    m_document.reorganise(Reorganisation::move(k, *target));
}

} // namespace spartiti
