// Every command of the editor window in one place: createActions() makes each action
// once, with its text, shortcut, name and what it does; createMenus() only arranges them
// into the menu bar. The rest of the window reaches them through the members, to enable
// them or to change their text.

#include "cataloguedocument.h"
#include "form1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

namespace spartiti {

namespace {

// Vai: the keys that move ten scores at a time.
constexpr int RecordsPerPage = 10;

QAction *newAction(QObject *owner, const QString &text, const QKeySequence &key = {}, const QString &name = {})
{
    auto *action = new QAction(text, owner);
    if (!key.isEmpty())
        action->setShortcut(key);
    if (!name.isEmpty())
        action->setObjectName(name);
    return action;
}

} // namespace

void Form1::createActions()
{
    // File.
    m_openCatalogueAction = newAction(this, QStringLiteral("&Apri catalogo..."), QKeySequence::Open,
                                      QStringLiteral("apriCatalogo"));
    connect(m_openCatalogueAction, &QAction::triggered, this, &Form1::openCatalogueRequested);
    m_newCatalogueAction = newAction(this, QStringLiteral("&Nuovo catalogo..."),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), QStringLiteral("nuovoCatalogo"));
    connect(m_newCatalogueAction, &QAction::triggered, this, &Form1::newCatalogueRequested);
    // Ctrl+P plays the track (menu Ascolta), so printing takes Ctrl+Shift+P.
    m_printAction = newAction(this, QStringLiteral("&Stampa..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                              QStringLiteral("stampa"));
    connect(m_printAction, &QAction::triggered, this, &Form1::printScore);
    m_previewAction = newAction(this, QStringLiteral("Ante&prima di stampa..."), {}, QStringLiteral("anteprimaStampa"));
    connect(m_previewAction, &QAction::triggered, this, &Form1::previewScore);
    m_importAction = newAction(this, QStringLiteral("&Importa spartito..."), QKeySequence(Qt::CTRL | Qt::Key_I),
                               QStringLiteral("importaSpartito"));
    connect(m_importAction, &QAction::triggered, this, &Form1::importScore);

    // Edit.
    chiudi = newAction(this, QStringLiteral("&Chiudi"), QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("chiudi"));
    connect(chiudi, &QAction::triggered, this, &Form1::chiudi_Click);

    // Modifica: saving, the history, the safety net and the reorganisation of scores.
    m_saveAction = newAction(this, QStringLiteral("&Salva Modifiche"), QKeySequence::Save, QStringLiteral("salva"));
    connect(m_saveAction, &QAction::triggered, this, &Form1::Command1_Click);
    m_undoAction = history()->createUndoAction(this, QStringLiteral("&Annulla"));
    m_undoAction->setObjectName(QStringLiteral("annulla"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_redoAction = history()->createRedoAction(this, QStringLiteral("&Ripeti"));
    m_redoAction->setObjectName(QStringLiteral("ripeti"));
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_checkAction = newAction(this, QStringLiteral("&Controlla archivio"), {}, QStringLiteral("controlla"));
    connect(m_checkAction, &QAction::triggered, this, &Form1::checkCatalogue);
    m_restoreAction = newAction(this, QStringLiteral("Ri&pristina una copia di sicurezza..."), {},
                                QStringLiteral("ripristina"));
    connect(m_restoreAction, &QAction::triggered, &m_document, &CatalogueDocument::restoreBackup);
    m_deleteAction = newAction(this, QStringLiteral("&Elimina questo spartito"), {}, QStringLiteral("eliminaSpartito"));
    connect(m_deleteAction, &QAction::triggered, this, &Form1::deleteScore);
    m_insertAction = newAction(this, QStringLiteral("&Inserisci uno spartito vuoto prima di questo"), {},
                               QStringLiteral("inserisciSpartito"));
    connect(m_insertAction, &QAction::triggered, this, &Form1::insertScore);
    m_moveAction = newAction(this, QStringLiteral("Spos&ta questo spartito..."), {}, QStringLiteral("spostaSpartito"));
    connect(m_moveAction, &QAction::triggered, this, &Form1::moveScore);

    // Vai.
    m_searchAction = newAction(this, QStringLiteral("&Cerca..."), QKeySequence::Find);
    connect(m_searchAction, &QAction::triggered, this, &Form1::focusSearch);
    m_goToNumberAction = newAction(this, QStringLiteral("Vai allo spartito &numero..."),
                                   QKeySequence(Qt::CTRL | Qt::Key_G), QStringLiteral("vaiAlNumero"));
    connect(m_goToNumberAction, &QAction::triggered, this, &Form1::goToNumber);
    m_scoreListAction = newAction(this, QStringLiteral("&Elenco degli spartiti"), QKeySequence(Qt::CTRL | Qt::Key_L),
                                  QStringLiteral("elencoSpartiti"));
    connect(m_scoreListAction, &QAction::triggered, this, &Form1::showScoreList);
    m_pageBackAction = newAction(this, QStringLiteral("Dieci spartiti &indietro"), QKeySequence(Qt::Key_PageUp));
    connect(m_pageBackAction, &QAction::triggered, this, [this] { moveBy(-RecordsPerPage); });
    m_pageForwardAction = newAction(this, QStringLiteral("Dieci spartiti &avanti"), QKeySequence(Qt::Key_PageDown));
    connect(m_pageForwardAction, &QAction::triggered, this, [this] { moveBy(RecordsPerPage); });
    m_firstAction = newAction(this, QStringLiteral("&Primo spartito"), QKeySequence(Qt::CTRL | Qt::Key_Home));
    connect(m_firstAction, &QAction::triggered, this, &Form1::goToFirst);
    m_lastAction = newAction(this, QStringLiteral("&Ultimo spartito"), QKeySequence(Qt::CTRL | Qt::Key_End));
    connect(m_lastAction, &QAction::triggered, this, &Form1::goToLast);

    // Ascolta: the track icon's click, from the keyboard. Its text follows the player
    // (setTrackPlayer) and it is enabled when the score has a track (describeRecord).
    m_playAction = newAction(this, QStringLiteral("Ascolta la &base"), QKeySequence(Qt::CTRL | Qt::Key_P),
                             QStringLiteral("ascolta"));
    connect(m_playAction, &QAction::triggered, this, &Form1::togglePlayback);
}

void Form1::createMenus()
{
    QMenuBar *bar = menuBar();

    m_fileMenu = bar->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("file"));
    m_fileMenu->addAction(m_openCatalogueAction);
    m_fileMenu->addAction(m_newCatalogueAction);
    // Filled by setRecentCatalogues(), anew whenever the list changes.
    m_recentMenu = m_fileMenu->addMenu(QStringLiteral("Cataloghi &recenti"));
    m_recentMenu->setObjectName(QStringLiteral("recenti"));
    setRecentCatalogues({});
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_printAction);
    m_fileMenu->addAction(m_previewAction);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_importAction);

    edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("edit"));
    edit->addAction(chiudi);

    m_modificaMenu = bar->addMenu(QStringLiteral("&Modifica"));
    m_modificaMenu->setObjectName(QStringLiteral("modifica"));
    m_modificaMenu->addAction(m_saveAction);
    m_modificaMenu->addAction(m_undoAction);
    m_modificaMenu->addAction(m_redoAction);
    m_modificaMenu->addSeparator();
    m_modificaMenu->addAction(m_checkAction);
    m_modificaMenu->addAction(m_restoreAction);
    m_modificaMenu->addSeparator();
    m_modificaMenu->addAction(m_deleteAction);
    m_modificaMenu->addAction(m_insertAction);
    m_modificaMenu->addAction(m_moveAction);

    m_vaiMenu = bar->addMenu(QStringLiteral("&Vai"));
    m_vaiMenu->setObjectName(QStringLiteral("vai"));
    m_vaiMenu->addAction(m_searchAction);
    m_vaiMenu->addAction(m_goToNumberAction);
    m_vaiMenu->addAction(m_scoreListAction);
    m_vaiMenu->addSeparator();
    m_vaiMenu->addAction(m_pageBackAction);
    m_vaiMenu->addAction(m_pageForwardAction);
    m_vaiMenu->addAction(m_firstAction);
    m_vaiMenu->addAction(m_lastAction);

    // The player's other controls join the track's once there is a player
    // (setTrackPlayer).
    m_listenMenu = bar->addMenu(QStringLiteral("&Ascolta"));
    m_listenMenu->setObjectName(QStringLiteral("ascoltaMenu"));
    m_listenMenu->addAction(m_playAction);
}

} // namespace spartiti
