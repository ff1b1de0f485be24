// The editor's safety net in menu Modifica: undo and redo across the session, dated
// backups restored on request, and the catalogue check.

#include "cataloguedocument.h"
#include "checkwindow.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"
#include "cataloguefolder.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>

namespace spartiti {

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
