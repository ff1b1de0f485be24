#pragma once

#include "catalogue.h"
#include "checkwindow.h"
#include "dropcheck.h"
#include "error.h"
#include "scoreimport.h"
#include "pagecache.h"
#include "pageviewer.h"
#include "scorelistwindow.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class QFrame;
class QLabel;
class QMimeData;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QAction;
class QMenu;
class QCompleter;
class QModelIndex;
class QStandardItemModel;
class QUndoStack;

namespace spartiti {

class CatalogueDocument;
class Module1;
class Notifier;
class PlayerWindow;
class TrackPlayer;

// The editor's main window: one score at a time, chosen with the record selector
// `VScroll1`; its title, author and tags edited in place; its two pages and the track
// icon shown from the data folder. A view of the catalogue document: edits go to the
// document, which keeps the history and writes the archive on "Salva Modifiche".
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    Form1(CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);
    ~Form1() override;

    // Loads the archive and shows its last record. An error leaves nothing to lose:
    // the caller reports it and ends the program.
    std::optional<Error> Form_Load();

    // The text shown the last time a field refused a character, for the user's hint.
    QString lastRefusalHint() const { return m_lastRefusalHint; }

    QUndoStack *history() const;
    CheckWindow *checkWindow() const { return m_checkWindow; }
    ScoreListWindow *scoreList() const { return m_scoreList; }
    QLineEdit *searchField() const { return m_searchField; }
    // The numbers the search list offers now.
    QList<int> searchMatches() const;

    // A file dropped on a page box or the track icon's place: a picture is attached as
    // that page, as the page pickers do; an audio file opens the track window with it
    // chosen. Anything else is refused with a short message. True when taken; a page is
    // then copied on a worker thread and confirmed when the copy is over.
    bool dropFiles(const QMimeData *data, DropTarget target);
    // The page of the score on show at full size (form1pages.cpp).
    void openPageViewer(bool right);
    PageViewer *pageViewer() const { return m_pageViewer; }

    // The player of backing tracks; without one the track icon only shows. Its controls
    // are in the menu "Ascolta" and the window playerWindow().
    void setTrackPlayer(TrackPlayer *player);
    PlayerWindow *playerWindow() const { return m_playerWindow; }

    // Menu File > Cataloghi recenti: the folders of the catalogues used last, newest first.
    void setRecentCatalogues(const QStringList &folders);
    // Before another catalogue takes this window's place: asks about unsaved edits as
    // closing does; true when the catalogue may go. closeQuietly() then hides the window
    // without asking again and without ending the program.
    bool mayClose();
    void closeQuietly();

public slots:
    // Moves the selector to a record, or displays it anew when it is already there.
    void showRecord(int number);
    void setRecordRange(int maximum);

    // Shows the pages and the track icon of scoreNumber anew if it is the score on show,
    // so that an attach is visible at once.
    void refreshAttachments(int scoreNumber);

    void checkCatalogue();

    // Menu Modifica: the score on show deleted, an empty one inserted before it, or it
    // moved to another number, with the files renumbered (form1reorganise.cpp).
    void deleteScore();
    void insertScore();
    void moveScore();
    // Menu File > Importa spartito...: chooses a PDF or images and imports them as new
    // scores (form1import.cpp).
    void importScore();
    // Asks for the title and the place of the pages of `files`, then imports them. False
    // when refused or cancelled before the pages are rendered.
    bool importFiles(const QStringList &files);

    // The track icon: play the score's track, or stop it when it plays or is paused.
    void togglePlayback();
    // Menu File: the pages of the score on show on paper, through the print dialog or its
    // preview (form1catalogues.cpp).
    void printScore();
    void previewScore();
    void focusSearch();
    // Vai > Elenco degli spartiti: the table of every score, made on first use.
    void showScoreList();
    void goToNumber();
    void moveBy(int records);
    void goToFirst();
    void goToLast();

    void VScroll1_Change();
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void chiudi_Click();

signals:
    void leftPickerRequested();
    void rightPickerRequested();
    void trackWindowRequested();
    void trackFileDropped(const QString &path);
    // Menu File: the user wants another catalogue (a folder to choose, a new one, or one
    // of the recent ones).
    void openCatalogueRequested();
    void newCatalogueRequested();
    void recentCatalogueRequested(const QString &folder);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Every action of the window, and the menus they are arranged in (form1actions.cpp).
    void createActions();
    void createMenus();
    void buildControls();
    void buildNavigation();
    void buildPageActions();
    std::optional<DropTarget> dropTargetAt(const QPoint &position) const;
    bool handleDrag(QEvent *event);
    void searchEdited(const QString &text);
    void searchChosen(const QModelIndex &index);
    // After the document read the archive anew: the count, the selector, the last record.
    void showLoaded();
    void showCount();
    void storeField(QLineEdit *field, int fieldIndex);
    void showFiles(int number);
    bool showPage(QLabel *box, const PageKey &key);
    void showDecodedPage(const PageKey &key, const PageImage &page);
    void showRefusal(QLineEdit *field, const QString &refused);
    // Accessible names of the pages and the track icon for the record on show.
    void describeRecord(int number);
    void showCategory(int number);
    void enableForRecords();
    // Asks about unsaved edits; true when the program may end.
    bool mayEnd();
    bool save();
    bool mayReorganise(int number, bool pastTheLastToo);
    // The local files of a drop when all of them are PDFs or images to import, else none.
    static QStringList importableFiles(const QMimeData *data);
    void stageImportedPages(const QList<ImportPage> &pages, const QList<ImportedRecord> &planned,
                            const QList<ArchiveRecord> &records, int dpi, int position);
    void dropAttachDone(QObject *requester, int number, const std::optional<Error> &error);

    CatalogueDocument &m_document;
    Module1 &m_state;
    Notifier &m_notifier;
    // Where the count line says the archive was read from: the folder at opening, the
    // file once saved.
    QString m_countSource;
    bool m_ending = false;
    QString m_lastRefusalHint;
    PageCache *m_pageCache = nullptr;
    // The page files the two boxes show or wait for, and the record they belong to.
    std::array<PageKey, 2> m_pagesOnShow;
    int m_recordOnShow = 0;

    // Typing in one field is one undo step per visit: a visit ends when the focus or the
    // record changes.
    int m_visit = 0;
    QPointer<CheckWindow> m_checkWindow;
    QPointer<ScoreListWindow> m_scoreList;
    QPointer<PageViewer> m_pageViewer;
    QFrame *m_dropFrame = nullptr;

    QLineEdit *m_searchField = nullptr;
    QCompleter *m_completer = nullptr;
    QStandardItemModel *m_matches = nullptr;
    TrackPlayer *m_player = nullptr;
    PlayerWindow *m_playerWindow = nullptr;

    QMetaObject::Connection m_focusWatch;
    QWidget *m_client = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label6 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *m_categoryLine = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;

    // The menus in the order of the menu bar, and their actions.
    QMenu *m_fileMenu = nullptr;
    QMenu *m_recentMenu = nullptr;
    QMenu *edit = nullptr;
    QMenu *m_modificaMenu = nullptr;
    QMenu *m_vaiMenu = nullptr;
    // Ascolta: the track's action, and the player's once there is a player.
    QMenu *m_listenMenu = nullptr;
    QAction *m_openCatalogueAction = nullptr;
    QAction *m_newCatalogueAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_previewAction = nullptr;
    QAction *m_importAction = nullptr;
    QAction *chiudi = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_checkAction = nullptr;
    QAction *m_restoreAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_insertAction = nullptr;
    QAction *m_moveAction = nullptr;
    QAction *m_searchAction = nullptr;
    QAction *m_goToNumberAction = nullptr;
    QAction *m_scoreListAction = nullptr;
    QAction *m_pageBackAction = nullptr;
    QAction *m_pageForwardAction = nullptr;
    QAction *m_firstAction = nullptr;
    QAction *m_lastAction = nullptr;
    QAction *m_playAction = nullptr;
};

} // namespace spartiti
