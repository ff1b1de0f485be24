// Menu File: opening another catalogue, making a new one, the catalogues used last, and
// the pages of the score on show printed. The actions are made in form1actions.cpp.
// The window only asks; the application opens the catalogue, after mayEnd() has settled
// the unsaved edits of this one.

#include "cataloguedocument.h"
#include "form1.h"
#include "pageprinting.h"

#include <QDir>
#include <QMenu>
#include <QScrollBar>

namespace spartiti {

void Form1::setRecentCatalogues(const QStringList &folders)
{
    m_recentMenu->clear();
    int k = 0;
    for (const QString &folder : folders) {
        ++k;
        const QString label = k < 10 ? QStringLiteral("&%1 %2").arg(k).arg(QDir::toNativeSeparators(folder))
                                     : QDir::toNativeSeparators(folder);
        m_recentMenu->addAction(label, this, [this, folder] { emit recentCatalogueRequested(folder); });
    }
    if (folders.isEmpty())
        m_recentMenu->addAction(QStringLiteral("Nessun catalogo recente"))->setEnabled(false);
}

bool Form1::mayClose()
{
    return mayEnd();
}

void Form1::closeQuietly()
{
    m_ending = true;
    hide();
}

void Form1::printScore()
{
    printScorePages(this, m_document.folder(), {VScroll1->value()}, m_notifier, false);
}

void Form1::previewScore()
{
    printScorePages(this, m_document.folder(), {VScroll1->value()}, m_notifier, true);
}

} // namespace spartiti
