// The editor's safety net: undo and redo across the session, dated backups restored on
// request, and the catalogue check.

#include "backups.h"
#include "checkwindow.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"
#include "scorepaths.h"

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

namespace {

using Field = ScoreCatalogue::Field;

// What saving writes of one slot: the empty category is written as "0".
QString savedCategory(const QString &category)
{
    return category.isEmpty() ? QStringLiteral("0") : category;
}

} // namespace

void Form1::buildMenus()
{
    QMenu *modifica = menuBar()->addMenu(QStringLiteral("&Modifica"));
    modifica->setObjectName(QStringLiteral("modifica"));
    QAction *undo = m_history->createUndoAction(this, QStringLiteral("Annulla"));
    undo->setObjectName(QStringLiteral("annulla"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = m_history->createRedoAction(this, QStringLiteral("Ripeti"));
    redo->setObjectName(QStringLiteral("ripeti"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    modifica->addAction(undo);
    modifica->addAction(redo);
    modifica->addSeparator();
    QAction *check = modifica->addAction(QStringLiteral("Controlla archivio"), this, &Form1::checkCatalogue);
    check->setObjectName(QStringLiteral("controlla"));
    QAction *restore = modifica->addAction(QStringLiteral("Ripristina una copia di sicurezza..."), this,
                                           &Form1::restoreBackup);
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

void Form1::reportUndoError(const QString &message)
{
    m_notifier.warn(message);
}

void Form1::takeSavedSnapshot()
{
    m_saved = m_state.catalogue;
    updateModified();
}

void Form1::updateModified()
{
    m_search.invalidate();
    const ScoreCatalogue &now = m_state.catalogue;
    bool differs = now.scoreCount() != m_saved.scoreCount();
    for (int k = 1; !differs && k <= std::min<int>(now.scoreCount(), ScoreCatalogue::SlotCount - 1); ++k) {
        differs = now.title(k) != m_saved.title(k) || now.author(k) != m_saved.author(k)
                  || now.tags(k) != m_saved.tags(k)
                  || savedCategory(now.category(k)) != savedCategory(m_saved.category(k));
    }
    m_state.setModified(differs);
}

void Form1::beginAttach(int scoreNumber)
{
    AttachState before;
    for (const QString &path : {paths::leftPage(scoreNumber), paths::rightPage(scoreNumber),
                                paths::track(scoreNumber)}) {
        FileState file;
        if (auto error = m_stash.capture(path, file)) {
            // Without a copy aside the attach still goes ahead; it just cannot be undone.
            m_notifier.warn(error->message + QStringLiteral("\nQuesta modifica non si potrà annullare."));
            m_attachBefore.reset();
            return;
        }
        before.files.append(file);
    }
    before.categorySlot = scoreNumber;
    before.category = m_state.catalogue.category(scoreNumber);
    m_attachBefore = std::move(before);
}

void Form1::endAttach(int scoreNumber)
{
    if (!m_attachBefore || m_attachBefore->categorySlot != scoreNumber) {
        m_attachBefore.reset();
        refreshAttachments(scoreNumber);
        updateModified();
        return;
    }
    AttachState before = std::move(*m_attachBefore);
    m_attachBefore.reset();
    AttachState after;
    after.categorySlot = scoreNumber;
    after.category = m_state.catalogue.category(scoreNumber);
    for (const FileState &old : before.files) {
        FileState now;
        if (auto error = m_stash.capture(old.path, now)) {
            m_notifier.warn(error->message + QStringLiteral("\nQuesta modifica non si potrà annullare."));
            refreshAttachments(scoreNumber);
            return;
        }
        after.files.append(now);
    }
    m_history->push(new AttachCommand(m_state, *this, scoreNumber, std::move(before), std::move(after)));
    refreshAttachments(scoreNumber);
    updateModified();
}

void Form1::checkCatalogue()
{
    QElapsedTimer timer;
    timer.start();
    const QList<Finding> findings = spartiti::checkCatalogue(m_state.catalogue, paths::dataFolder());
    if (!m_checkWindow) {
        m_checkWindow = new CheckWindow(this);
        connect(m_checkWindow, &CheckWindow::goToScore, this, &Form1::showRecord);
    }
    m_checkWindow->showFindings(findings, timer.elapsed());
    m_checkWindow->show();
    m_checkWindow->raise();
    m_checkWindow->activateWindow();
}

void Form1::restoreBackup()
{
    const QStringList kept = backups::list(paths::archive());
    if (kept.isEmpty()) {
        m_notifier.inform(QStringLiteral("Non ci sono ancora copie di sicurezza: ne viene fatta una a ogni "
                                         "salvataggio, nella cartella spartiti/backup."));
        return;
    }
    QStringList names;
    for (const QString &path : kept)
        names.append(QFileInfo(path).fileName());
    const auto chosen = m_notifier.chooseItem(QStringLiteral("Quale copia dell'archivio vuoi ripristinare?"), names);
    if (!chosen || *chosen < 0 || *chosen >= kept.size())
        return;
    if (!m_notifier.askYesNo(QStringLiteral("Ripristinare %1 al posto dell'archivio attuale? L'archivio attuale "
                                            "viene conservato come copia di sicurezza; le modifiche non "
                                            "salvate andranno perse.")
                                 .arg(names[*chosen])))
        return;
    if (auto error = backups::restore(kept[*chosen], paths::archive(), QDateTime::currentDateTime())) {
        m_notifier.warn(error->message);
        return;
    }
    reload();
}

// Reads the archive again after a restore, as at start-up.
void Form1::reload()
{
    if (auto error = Form_Load())
        m_notifier.warn(error->message);
}

} // namespace spartiti
