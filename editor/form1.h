#pragma once

#include "catalogue.h"
#include "checkwindow.h"
#include "editcommands.h"
#include "error.h"
#include "filestash.h"
#include "pagecache.h"
#include "search.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class QLabel;
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

class Module1;
class Notifier;
class TrackPlayer;

// The editor's main window: one score at a time, chosen with the record selector
// `VScroll1`; its title, author and tags edited in place; its two pages and the track
// icon shown from the data folder. Edits go straight into the catalogue and reach the
// archive only through "Salva Modifiche".
class Form1 : public QMainWindow, public RecordView
{
    Q_OBJECT

public:
    Form1(Module1 &state, Notifier &notifier, QWidget *parent = nullptr);
    ~Form1() override;

    // Loads the archive and shows its last record. An error leaves nothing to lose:
    // the caller reports it and ends the program.
    std::optional<Error> Form_Load();

    // The text shown the last time a field refused a character, for the user's hint.
    QString lastRefusalHint() const { return m_lastRefusalHint; }

    QUndoStack *history() const { return m_history; }
    CheckWindow *checkWindow() const { return m_checkWindow; }
    QLineEdit *searchField() const { return m_searchField; }
    // The numbers the search list offers now.
    QList<int> searchMatches() const;

    // The player of backing tracks; without one the track icon only shows.
    void setTrackPlayer(TrackPlayer *player);

    // RecordView: how undoing and redoing move the editor.
    void showRecord(int number) override;
    void setRecordRange(int maximum) override;
    void reportUndoError(const QString &message) override;

public slots:
    // Shows the pages and the track icon of scoreNumber anew if it is the score on show,
    // so that an attach is visible at once.
    void refreshAttachments(int scoreNumber);

    // Around an attach from the picker and track windows: the files and the category it
    // may replace are kept aside first, so that the attach becomes one undoable step.
    void beginAttach(int scoreNumber);
    void endAttach(int scoreNumber);

    void checkCatalogue();
    void restoreBackup();

    // The track icon: play the score's track, or stop it when it plays.
    void togglePlayback();
    void focusSearch();
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

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildNavigation();
    void searchEdited(const QString &text);
    void searchChosen(const QModelIndex &index);
    // Whether the catalogue differs from what the archive file holds, in what saving writes.
    void updateModified();
    void takeSavedSnapshot();
    void reload();
    // Offers to read an archive that looks like UTF-8 as such; true when it was.
    bool convertFromUtf8();
    void storeField(QLineEdit *field, int fieldIndex);
    void showFiles(int number);
    bool showPage(QLabel *box, const PageKey &key);
    void showDecodedPage(const PageKey &key, const QImage &page);
    void showRefusal(QLineEdit *field, const QString &refused);
    // Asks about unsaved edits; true when the program may end.
    bool mayEnd();
    bool save();

    Module1 &m_state;
    Notifier &m_notifier;
    bool m_ending = false;
    QString m_lastRefusalHint;
    PageCache *m_pageCache = nullptr;
    // The page files the two boxes show or wait for, and the record they belong to.
    std::array<PageKey, 2> m_pagesOnShow;
    int m_recordOnShow = 0;

    QUndoStack *m_history = nullptr;
    // Typing in one field is one undo step per visit: a visit ends when the focus or the
    // record changes.
    int m_visit = 0;
    ScoreCatalogue m_saved;
    FileStash m_stash;
    std::optional<AttachState> m_attachBefore;
    QPointer<CheckWindow> m_checkWindow;

    ScoreSearch m_search;
    QLineEdit *m_searchField = nullptr;
    QCompleter *m_completer = nullptr;
    QStandardItemModel *m_matches = nullptr;
    TrackPlayer *m_player = nullptr;

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
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QMenu *edit = nullptr;
    QAction *chiudi = nullptr;
};

} // namespace spartiti
