// The editor's safety net in its menu: undo and redo across the session, dated backups
// restored on request, and the catalogue check.

#include "cataloguedocument.h"
#include "checkwindow.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"
#include "cataloguefolder.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenuBar>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>

namespace spartiti {

void Form1::buildMenus()
{
    QMenu *modifica = menuBar()->addMenu(QStringLiteral("&Modifica"));
    modifica->setObjectName(QStringLiteral("modifica"));
    QAction *undo = history()->createUndoAction(this, QStringLiteral("&Annulla"));
    undo->setObjectName(QStringLiteral("annulla"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = history()->createRedoAction(this, QStringLiteral("&Ripeti"));
    redo->setObjectName(QStringLiteral("ripeti"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    modifica->addAction(undo);
    modifica->addAction(redo);
    modifica->addSeparator();
    QAction *check = modifica->addAction(QStringLiteral("&Controlla archivio"), this, &Form1::checkCatalogue);
    check->setObjectName(QStringLiteral("controlla"));
    QAction *restore = modifica->addAction(QStringLiteral("Ri&pristina una copia di sicurezza..."), &m_document,
                                           &CatalogueDocument::restoreBackup);
    restore->setObjectName(QStringLiteral("ripristina"));
}

void Form1::showRecord(int number)
{
    const int target = std::clamp(number, VScroll1->minimum(), VScroll1->maximum());
    if (VScroll1->value() != target)
        VScroll1->setValue(target);
    else
        VScroll1_Change();
}

void Form1::setRecordRange(int maximum)
{
    VScroll1->setMaximum(std::clamp(maximum, 1, ScoreCatalogue::SlotCount - 1));
}

void Form1::checkCatalogue()
{
    QElapsedTimer timer;
    timer.start();
    const QList<Finding> findings = spartiti::checkCatalogue(m_document.catalogue(), m_document.folder().path());
    if (!m_checkWindow) {
        m_checkWindow = new CheckWindow(this);
        connect(m_checkWindow, &CheckWindow::goToScore, this, &Form1::showRecord);
    }
    m_checkWindow->showFindings(findings, timer.elapsed());
    m_checkWindow->show();
    m_checkWindow->raise();
    m_checkWindow->activateWindow();
}

} // namespace spartiti
