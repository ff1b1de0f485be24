// Menu File: opening another catalogue, making a new one, the catalogues used last, and
// the pages of the score on show printed.
// The window only asks; the application opens the catalogue, after mayEnd() has settled
// the unsaved edits of this one.

#include "cataloguedocument.h"
#include "form1.h"
#include "pageprinting.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

namespace spartiti {

void Form1::buildCatalogueMenu()
{
    QMenu *file = new QMenu(QStringLiteral("&File"), menuBar());
    file->setObjectName(QStringLiteral("file"));
    menuBar()->insertMenu(menuBar()->actions().value(0), file);
    file->addAction(QStringLiteral("&Apri catalogo..."), QKeySequence::Open, this, &Form1::openCatalogueRequested)
        ->setObjectName(QStringLiteral("apriCatalogo"));
    file->addAction(QStringLiteral("&Nuovo catalogo..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), this,
                    &Form1::newCatalogueRequested)
        ->setObjectName(QStringLiteral("nuovoCatalogo"));
    m_recentMenu = file->addMenu(QStringLiteral("Cataloghi &recenti"));
    m_recentMenu->setObjectName(QStringLiteral("recenti"));
    setRecentCatalogues({});
    file->addSeparator();
    // Ctrl+P plays the track (menu Ascolta), so printing takes Ctrl+Shift+P.
    file->addAction(QStringLiteral("&Stampa..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this,
                    &Form1::printScore)
        ->setObjectName(QStringLiteral("stampa"));
    file->addAction(QStringLiteral("Ante&prima di stampa..."), this, &Form1::previewScore)
        ->setObjectName(QStringLiteral("anteprimaStampa"));
    // The title bar names the catalogue on show, as the folder that holds it.
    setWindowTitle(QStringLiteral("%1 - Archivio Spartiti 3.01")
                       .arg(QDir::toNativeSeparators(m_document.folder().parentPath())));
}

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
