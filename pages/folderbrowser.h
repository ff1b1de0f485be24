#pragma once

#include "filelistview.h"

#include <QObject>
#include <QString>

class QColor;
class QFileSystemModel;
class QFont;
class QModelIndex;
class QTreeView;
class QWidget;

namespace spartiti {

// The folder list `Dir1` and file list `File1` that the page pickers and the track
// window share: Dir1 is the folder tree from "/" opened at the working folder, File1
// lists the plain, non-hidden files of the folder current in Dir1. Both views are made
// children of the given window, which places them. Browsing never changes the process's
// working folder: the lists only read.
//
// The chosen file is the one the user last selected in File1; the list moving its
// selection by itself, when files change under it, chooses nothing.
class FolderBrowser : public QObject
{
    Q_OBJECT

public:
    // The lists start at `startFolder`, the folder that holds the catalogue.
    FolderBrowser(const QString &startFolder, QWidget *window);

    QTreeView *folderList() const { return m_folderList; }   // Dir1
    QListView *fileList() const { return m_fileList; }       // File1
    QFileSystemModel *fileModel() const { return m_fileModel; }

    // The folder File1 lists, an absolute path.
    QString folder() const { return m_folder; }
    // Makes `path` the current folder of Dir1, and so the folder File1 lists.
    void openFolder(const QString &path);

    void setListFonts(const QFont &folderFont, const QFont &fileFont);
    void setListColours(const QColor &folderText, const QColor &fileText, const QColor &background);
    // Names the two lists for a screen reader; `what` is what the chosen file becomes.
    void describeLists(const QString &what);

    // The file the user chose last; empty until the first choice.
    QString chosenPath() const { return m_chosenPath; }

signals:
    // The user selected a file in File1, with the mouse or the keyboard; also when the
    // chosen file, gone for a while, is back.
    void fileChosen(const QString &path);
    // The list noticed that the chosen file is no longer there as a plain file:
    // deleted, renamed, or replaced by a folder or something else.
    void chosenFileGone(const QString &path);

private:
    void Dir1_Change(const QModelIndex &current);
    void fileSelectionChanged();
    void checkChosenFile();
    void keepStartFolderInView();
    void stopFollowingStartFolder();

    QFileSystemModel *m_folderModel;
    QFileSystemModel *m_fileModel;
    QTreeView *m_folderList;
    FileListView *m_fileList;
    QString m_folder;
    QString m_chosenPath;
    bool m_chosenGone = false;
    QString m_startFolder;
    bool m_followStartFolder = true;
};

} // namespace spartiti
